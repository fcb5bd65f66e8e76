#include "mesh/MaterialMaps.h"

#include "platform/d3d9/com.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <utility>

namespace {

unsigned char Byte(float value) {
    if (!(value > 0.0f))
        return 0;
    return value >= 1.0f ? 255 : (unsigned char)std::lround(value * 255.0f);
}

HRESULT CreateColourMap(IDirect3DDevice9* device, MapTexel texel, IDirect3DTexture9** map) {
    *map = nullptr;
    IDirect3DTexture9* created = nullptr;
    HRESULT hr =
        device->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &created, nullptr);
    if (FAILED(hr))
        return hr;
    D3DLOCKED_RECT locked{};
    hr = created->LockRect(0, &locked, nullptr, 0);
    if (SUCCEEDED(hr)) {
        std::memcpy(locked.pBits, &texel, sizeof texel);
        hr = created->UnlockRect(0);
    }
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *map = created;
    return D3D_OK;
}

// One level of `source` into the same level of `target`, each texel
// multiplied by `colour` (B, G, R, A in the 8-bit format; R, G, B, A in the
// float one).
HRESULT TintLevel(IDirect3DTexture9* source, IDirect3DTexture9* target, UINT level,
                  D3DFORMAT format, const D3DCOLORVALUE& colour) {
    D3DSURFACE_DESC desc{};
    source->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT from{}, to{};
    HRESULT hr = source->LockRect(level, &from, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr))
        return hr;
    hr = target->LockRect(level, &to, nullptr, 0);
    if (FAILED(hr)) {
        source->UnlockRect(level);
        return hr;
    }
    for (UINT y = 0; y < desc.Height; ++y) {
        const auto* in = static_cast<const std::uint8_t*>(from.pBits) + std::size_t(y) * from.Pitch;
        auto* out = static_cast<std::uint8_t*>(to.pBits) + std::size_t(y) * to.Pitch;
        if (format == D3DFMT_A8R8G8B8) {
            const float factors[4] = {colour.b, colour.g, colour.r, colour.a};
            for (UINT i = 0; i < desc.Width * 4; ++i)
                out[i] = Byte(float(in[i]) / 255.0f * factors[i % 4]);
        } else {
            const float factors[4] = {colour.r, colour.g, colour.b, colour.a};
            float texels[4];
            for (UINT x = 0; x < desc.Width; ++x) {
                std::memcpy(texels, in + x * sizeof texels, sizeof texels);
                for (int c = 0; c < 4; ++c)
                    texels[c] *= factors[c];
                std::memcpy(out + x * sizeof texels, texels, sizeof texels);
            }
        }
    }
    target->UnlockRect(level);
    return source->UnlockRect(level);
}

// A copy of `texture` modulated by `colour`, in the formats the texture
// loader makes; the texture itself (borrowed) for any other.
HRESULT CreateTintedMap(IDirect3DDevice9* device, IDirect3DTexture9* texture,
                        const D3DCOLORVALUE& colour, IDirect3DTexture9** map, bool& borrowed) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    const DWORD levels = texture->GetLevelCount();
    borrowed = desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_A32B32G32R32F;
    if (borrowed) {
        *map = texture;
        return D3D_OK;
    }
    IDirect3DTexture9* created = nullptr;
    HRESULT hr = device->CreateTexture(desc.Width, desc.Height, levels, 0, desc.Format,
                                       D3DPOOL_MANAGED, &created, nullptr);
    for (UINT level = 0; SUCCEEDED(hr) && level < levels; ++level)
        hr = TintLevel(texture, created, level, desc.Format, colour);
    if (FAILED(hr)) {
        ReleaseRef(created);
        *map = nullptr;
        return hr;
    }
    *map = created;
    return D3D_OK;
}

} // namespace

bool DrawsTextureAsIs(const D3DMATERIAL9& material) {
    // The diffuse colours files write for "just the texture" are 1, or a
    // rounding of it.
    constexpr float kWhite = 254.5f / 255.0f;
    const D3DCOLORVALUE& c = material.Diffuse;
    return c.r >= kWhite && c.g >= kWhite && c.b >= kWhite && c.a >= kWhite;
}

Tint TintOf(const D3DMATERIAL9& material) {
    const float channels[4] = {material.Diffuse.r, material.Diffuse.g, material.Diffuse.b,
                               material.Diffuse.a};
    Tint tint;
    std::memcpy(tint.data(), channels, sizeof channels);
    return tint;
}

MapTexel DiffuseTexel(const D3DMATERIAL9& material) {
    const D3DCOLORVALUE& c = material.Diffuse;
    return MapTexel{Byte(c.b), Byte(c.g), Byte(c.r), Byte(c.a)};
}

MapTexel SpecularTexel(const D3DMATERIAL9& material) {
    if (!(material.Power > 0.0f))
        return MapTexel{0, 0, 0, 0};
    const D3DCOLORVALUE& c = material.Specular;
    return MapTexel{Byte(c.b), Byte(c.g), Byte(c.r), Byte(material.Power / 255.0f)};
}

MapTexel EmissiveTexel(const D3DMATERIAL9& material) {
    auto signedByte = [](float value) { return Byte(0.5f * value + 0.5f); };
    const D3DCOLORVALUE& c = material.Emissive;
    return MapTexel{signedByte(c.b), signedByte(c.g), signedByte(c.r), 255};
}

MapTexel FlatNormalTexel() {
    // The normal (0, 0, 1) as 0.5 n + 0.5; a height of one half moves
    // nothing.
    return MapTexel{128, 128, 255, 128};
}

MaterialMaps::~MaterialMaps() {
    Release();
}

bool MaterialMaps::Create(IDirect3DDevice9* device, const MeshObj& slot) {
    Release();
    if (!device || !slot.materials)
        return true;
    HRESULT hr;
    try {
        hr = CreateMaps(device, slot);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr))
        Release();
    return SUCCEEDED(hr);
}

HRESULT MaterialMaps::CreateMaps(IDirect3DDevice9* device, const MeshObj& slot) {
    HRESULT hr = CreateColourMap(device, FlatNormalTexel(), &flatNormal);
    materials.resize(slot.materialCount);
    // The material that made each tinted copy, for the others that ask for it.
    std::map<std::pair<IDirect3DTexture9*, Tint>, DWORD> tintedBy;
    for (DWORD i = 0; SUCCEEDED(hr) && i < slot.materialCount; ++i) {
        const D3DMATERIAL9& material = slot.materials[i];
        Material& maps = materials[i];
        IDirect3DTexture9* texture = slot.materialTextures ? slot.materialTextures[i] : nullptr;
        if (!texture) {
            hr = CreateColourMap(device, DiffuseTexel(material), &maps.diffuse);
        } else if (DrawsTextureAsIs(material)) {
            maps.diffuse = texture;
            maps.borrowedDiffuse = true;
        } else {
            auto made = tintedBy.emplace(std::make_pair(texture, TintOf(material)), i);
            if (made.second) {
                hr = CreateTintedMap(device, texture, material.Diffuse, &maps.diffuse,
                                     maps.borrowedDiffuse);
            } else {
                const Material& maker = materials[made.first->second];
                maps.diffuse = maker.diffuse;
                maps.borrowedDiffuse = maker.borrowedDiffuse;
                if (!maps.borrowedDiffuse)
                    maps.diffuse->AddRef();
            }
        }
        if (SUCCEEDED(hr))
            hr = CreateColourMap(device, SpecularTexel(material), &maps.specular);
        if (SUCCEEDED(hr))
            hr = CreateColourMap(device, EmissiveTexel(material), &maps.emissive);
    }
    return hr;
}

void MaterialMaps::Release() {
    for (Material& maps : materials) {
        if (maps.borrowedDiffuse)
            maps.diffuse = nullptr;
        ReleaseRef(maps.diffuse);
        ReleaseRef(maps.specular);
        ReleaseRef(maps.emissive);
    }
    materials.clear();
    ReleaseRef(flatNormal);
}

MaterialMaps::Subset MaterialMaps::Maps(DWORD material) const {
    Subset subset;
    if (material >= materials.size())
        return subset;
    const Material& maps = materials[material];
    subset.maps[kDiffuse] = maps.diffuse;
    subset.maps[kNormalMap] = flatNormal;
    subset.maps[kSpecular] = maps.specular;
    subset.maps[kEmissive] = maps.emissive;
    return subset;
}
