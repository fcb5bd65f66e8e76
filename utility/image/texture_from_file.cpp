// The texture loader: an image file of any recognised format becomes a
// managed texture with a full, box-filtered mip chain.
#include "utility/d3dx9tex.h"

#include "utility/core/file_bytes.h"
#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"
#include "utility/image/mip_chain.h"

#include <cstring>

namespace {

// 8-bit BGRA is A8R8G8B8 in memory and float RGBA is A32B32G32R32F, so
// either image goes into its texture row by row as it is.
D3DFORMAT TextureFormatOf(const Image& image) {
    return image.IsFloat() ? D3DFMT_A32B32G32R32F : D3DFMT_A8R8G8B8;
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

// Level 0 is the image; each further level is shrunk from the one before,
// at the size the texture gives it.
HRESULT FillLevels(IDirect3DTexture9* texture, const Image& image) {
    HRESULT hr = WriteLevel(texture, 0, image);
    Image scratch[2];
    const Image* previous = &image;
    for (DWORD level = 1; SUCCEEDED(hr) && level < texture->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc;
        hr = texture->GetLevelDesc(level, &desc);
        if (FAILED(hr))
            break;
        Image& next = scratch[level % 2];
        hr = ShrinkImage(*previous, desc.Width, desc.Height, next);
        if (SUCCEEDED(hr))
            hr = WriteLevel(texture, level, next);
        previous = &next;
    }
    return hr;
}

HRESULT CreateTextureFromImage(IDirect3DDevice9* device, const Image& image,
                               IDirect3DTexture9** texture) {
    IDirect3DTexture9* created = nullptr;
    HRESULT hr = device->CreateTexture(image.width, image.height, 0, 0, TextureFormatOf(image),
                                       D3DPOOL_MANAGED, &created, nullptr);
    if (FAILED(hr))
        return hr;
    hr = FillLevels(created, image);
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *texture = created;
    return D3D_OK;
}

HRESULT CreateTextureFromBytes(IDirect3DDevice9* device, const std::uint8_t* data, std::size_t size,
                               IDirect3DTexture9** texture) {
    Image image;
    HRESULT hr = DecodeImageFile(data, size, image);
    if (FAILED(hr))
        return hr;
    return CreateTextureFromImage(device, image, texture);
}

} // namespace

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR path,
                                   IDirect3DTexture9** texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || !path)
        return D3DERR_INVALIDCALL;
    // A texture file larger than this is not one the loader could use.
    constexpr std::size_t kMaxTextureFileBytes = std::size_t(256) << 20;
    std::vector<std::uint8_t> bytes;
    HRESULT hr = ReadFileBytes(path, bytes, kMaxTextureFileBytes);
    if (FAILED(hr))
        return hr == E_OUTOFMEMORY ? hr : D3DXERR_INVALIDDATA;
    return CreateTextureFromBytes(device, bytes.data(), bytes.size(), texture);
}

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID data, UINT size,
                                          IDirect3DTexture9** texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || !data)
        return D3DERR_INVALIDCALL;
    return CreateTextureFromBytes(device, static_cast<const std::uint8_t*>(data), size, texture);
}
