// The texture loader: an image file of any recognised format becomes a
// managed texture with a full, box-filtered mip chain.
#include "utility/d3dx9tex.h"

#include "utility/core/file_bytes.h"
#include "utility/image/texture_image.h"

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR path,
                                   IDirect3DTexture9** texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || !path)
        return D3DERR_INVALIDCALL;
    UINT maxWidth, maxHeight;
    MaxTextureSize(device, maxWidth, maxHeight);
    TextureImage image;
    HRESULT hr = LoadTextureImageFromFile(path, maxWidth, maxHeight, image);
    if (FAILED(hr))
        return hr;
    return CreateTextureFromTextureImage(device, image, texture);
}

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID data, UINT size,
                                          IDirect3DTexture9** texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || !data)
        return D3DERR_INVALIDCALL;
    UINT maxWidth, maxHeight;
    MaxTextureSize(device, maxWidth, maxHeight);
    TextureImage image;
    HRESULT hr = LoadTextureImageFromMemory(data, size, maxWidth, maxHeight, image);
    if (FAILED(hr))
        return hr;
    return CreateTextureFromTextureImage(device, image, texture);
}
