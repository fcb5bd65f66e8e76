#include "utility/image/texture_image.h"

#include "utility/core/file_bytes.h"
#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"
#include "utility/image/mip_chain.h"

#include <algorithm>
#include <cstring>

namespace {

// 8-bit BGRA is A8R8G8B8 in memory and float RGBA is A32B32G32R32F, so
// either image goes into its texture row by row as it is.
D3DFORMAT TextureFormatOf(const Image& image) {
    return image.IsFloat() ? D3DFMT_A32B32G32R32F : D3DFMT_A8R8G8B8;
}

HRESULT BuildMipChain(TextureImage& out) {
    try {
        for (;;) {
            const Image& previous = out.levels.back();
            if (previous.width == 1 && previous.height == 1)
                return D3D_OK;
            if (ImageLoadCancelled())
                return D3DXERR_INVALIDDATA;
            UINT width = std::max<UINT>(1, previous.width / 2);
            UINT height = std::max<UINT>(1, previous.height / 2);
            Image next;
            HRESULT hr = ShrinkImage(previous, width, height, next);
            if (FAILED(hr))
                return hr;
            out.levels.push_back(std::move(next));
        }
    } catch (const std::bad_alloc&) {
        return NoMemoryForImage(out.levels.back().width, out.levels.back().height);
    }
}

HRESULT WriteLevel(IDirect3DTexture9* texture, UINT level, const Image& image) {
    D3DLOCKED_RECT locked;
    HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
    if (FAILED(hr))
        return hr;
    const std::uint8_t* rows = image.IsFloat()
                                   ? reinterpret_cast<const std::uint8_t*>(image.rgba.data())
                                   : image.bgra.data();
    std::size_t rowBytes = std::size_t(image.width) * 4 * (image.IsFloat() ? sizeof(float) : 1);
    for (UINT y = 0; y < image.height; ++y)
        std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch,
                    rows + y * rowBytes, rowBytes);
    return texture->UnlockRect(level);
}

} // namespace

HRESULT LoadTextureImageFromMemory(const void* data, std::size_t size, UINT maxWidth,
                                   UINT maxHeight, TextureImage& out) {
    out.levels.clear();
    if (!data)
        return D3DERR_INVALIDCALL;
    try {
        out.levels.emplace_back();
    } catch (const std::bad_alloc&) {
        return NoMemoryForDecoder();
    }
    HRESULT hr = DecodeImageFile(static_cast<const std::uint8_t*>(data), size,
                                 ImageFit{maxWidth, maxHeight}, out.levels[0]);
    if (SUCCEEDED(hr))
        hr = BuildMipChain(out);
    if (FAILED(hr))
        out.levels.clear();
    return hr;
}

HRESULT LoadTextureImageFromFile(const char* path, UINT maxWidth, UINT maxHeight,
                                 TextureImage& out) {
    out.levels.clear();
    if (!path)
        return D3DERR_INVALIDCALL;
    // The largest uncompressed texture the loader keeps whole (8192 x 8192
    // pixels of 32 bits) with its mip levels fits; a larger file is not one
    // the loader could use.
    constexpr std::size_t kMaxTextureFileBytes = std::size_t(512) << 20;
    std::vector<std::uint8_t> bytes;
    HRESULT hr = ReadFileBytes(path, bytes, kMaxTextureFileBytes);
    if (FAILED(hr))
        return hr == E_OUTOFMEMORY ? hr : D3DXERR_INVALIDDATA;
    if (bytes.empty())
        return InvalidImage("the file is empty");
    return LoadTextureImageFromMemory(bytes.data(), bytes.size(), maxWidth, maxHeight, out);
}

std::size_t TextureImageBytes(const TextureImage& image) {
    std::size_t bytes = 0;
    for (const Image& level : image.levels)
        bytes += level.bgra.size() + level.rgba.size() * sizeof(float);
    return bytes;
}

HRESULT CreateTextureFromTextureImage(IDirect3DDevice9* device, const TextureImage& image,
                                      IDirect3DTexture9** texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || image.levels.empty())
        return D3DERR_INVALIDCALL;
    const Image& top = image.levels[0];
    IDirect3DTexture9* created = nullptr;
    // Level count 0 asks for the device's full chain, which the image's
    // levels match one for one.
    HRESULT hr = device->CreateTexture(top.width, top.height, 0, 0, TextureFormatOf(top),
                                       D3DPOOL_MANAGED, &created, nullptr);
    if (hr == E_OUTOFMEMORY) {
        SetLoadFailure("out of memory");
        return hr;
    }
    if (FAILED(hr)) {
        SetLoadFailure("the device cannot make a texture of %u x %u pixels", top.width, top.height);
        return hr;
    }
    if (created->GetLevelCount() != image.levels.size())
        hr = D3DERR_INVALIDCALL;
    for (UINT level = 0; SUCCEEDED(hr) && level < image.levels.size(); ++level)
        hr = WriteLevel(created, level, image.levels[level]);
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *texture = created;
    return D3D_OK;
}

void MaxTextureSize(IDirect3DDevice9* device, UINT& maxWidth, UINT& maxHeight) {
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    maxWidth = caps.MaxTextureWidth;
    maxHeight = caps.MaxTextureHeight;
}
