// What each subset of a mesh slot draws with in the materials view: the four
// maps the scene effect samples, made from the subset's own material, so
// that a model shows the colours and textures its file gives it without the
// effect taking any parameter it does not already have.
//
// - diffuse: the material's texture modulated by its diffuse colour (the
//   texture itself where that colour is white), or a 1 x 1 map of that
//   colour where the material names no texture or it could not be read;
// - normal: one flat 1 x 1 map for all subsets (no bumps, no parallax);
// - specular: a 1 x 1 map of the specular colour, the power in its alpha
//   (the effect reads alpha x 255 as the exponent); black where the power
//   is not positive, since an exponent of zero would light the whole side;
// - emissive: a 1 x 1 map of the emissive colour, stored as the effect's
//   signed 0.5 e + 0.5.
#pragma once

#include "mesh/MeshObj.h"
#include "mesh/TextureSet.h"

#include <array>
#include <cstdint>
#include <vector>

class MaterialMaps {
public:
    MaterialMaps() = default;
    ~MaterialMaps();
    MaterialMaps(const MaterialMaps&) = delete;
    MaterialMaps& operator=(const MaterialMaps&) = delete;

    // Releases the maps held, then makes those of every material of `slot`
    // on `device`. The slot's material textures are borrowed, not
    // referenced: release these maps before the slot. Materials that tint
    // one texture with one colour share one tinted copy. False when the
    // device refused a map or memory ran out; the maps are then all
    // released.
    bool Create(IDirect3DDevice9* device, const MeshObj& slot);
    // Harmless when empty.
    void Release();

    // The four maps of `material`, in the order of TextureRole; all null
    // past the materials made.
    struct Subset {
        IDirect3DTexture9* maps[kTextureRoles] = {};
    };
    Subset Maps(DWORD material) const;
    DWORD Count() const { return DWORD(materials.size()); }

private:
    HRESULT CreateMaps(IDirect3DDevice9* device, const MeshObj& slot);

    struct Material {
        // A reference of its own unless `borrowedDiffuse`.
        IDirect3DTexture9* diffuse = nullptr;
        bool borrowedDiffuse = false;
        IDirect3DTexture9* specular = nullptr;
        IDirect3DTexture9* emissive = nullptr;
    };
    std::vector<Material> materials;
    IDirect3DTexture9* flatNormal = nullptr;
};

// A material's texture is drawn as it is where its diffuse colour is white;
// any other colour makes a tinted copy of it.
bool DrawsTextureAsIs(const D3DMATERIAL9& material);
// The colour a tinted copy is made with, to the bit: the materials whose
// tints are equal share the copy.
using Tint = std::array<std::uint32_t, 4>;
Tint TintOf(const D3DMATERIAL9& material);

// The 8-bit BGRA texel the maps store for a colour of 0 to 1 (clamped).
struct MapTexel {
    unsigned char b, g, r, a;
};
MapTexel DiffuseTexel(const D3DMATERIAL9& material);
MapTexel SpecularTexel(const D3DMATERIAL9& material);
MapTexel EmissiveTexel(const D3DMATERIAL9& material);
MapTexel FlatNormalTexel();
