// Texture files of any format through D3DXCreateTextureFromFileInMemory on
// the recording device: the format is recognised from the content, the image
// decoded and a texture with its mip chain made.
#include "tools/fuzz/fuzz_support.h"

#include "platform/d3d9/com.h"
#include "utility/d3dx9tex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IDirect3DDevice9* device = FuzzDevice();
    LiveObjectGuard guard;
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileInMemory(device, data, UINT(size), &texture);
    FuzzCheck(SUCCEEDED(hr) == (texture != nullptr), "a texture exactly on success");
    if (!texture)
        return 0;
    D3DSURFACE_DESC top;
    FuzzCheck(SUCCEEDED(texture->GetLevelDesc(0, &top)), "the top level is there");
    FuzzCheck(top.Width > 0 && top.Height > 0, "the texture has pixels");
    D3DSURFACE_DESC last;
    FuzzCheck(SUCCEEDED(texture->GetLevelDesc(texture->GetLevelCount() - 1, &last)),
              "the last level is there");
    FuzzCheck(last.Width == 1 && last.Height == 1, "the mip chain runs down to one pixel");
    ReleaseRef(texture);
    return 0;
}
