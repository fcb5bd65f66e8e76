#include "tests/effects/float_image.h"

#include <cmath>
#include <cstring>

namespace {

int Address(int i, int size, bool wrap) {
    if (wrap)
        return ((i % size) + size) % size;
    return i < 0 ? 0 : i >= size ? size - 1 : i;
}

} // namespace

D3DXVECTOR4 FloatImage::Sample(float u, float v, bool wrap) const {
    float x = u * float(width) - 0.5f;
    float y = v * float(height) - 0.5f;
    float x0 = std::floor(x), y0 = std::floor(y);
    float fx = x - x0, fy = y - y0;
    int ix = int(x0), iy = int(y0);
    int xa = Address(ix, width, wrap), xb = Address(ix + 1, width, wrap);
    int ya = Address(iy, height, wrap), yb = Address(iy + 1, height, wrap);
    D3DXVECTOR4 top = Lerp(At(xa, ya), At(xb, ya), fx);
    D3DXVECTOR4 bottom = Lerp(At(xa, yb), At(xb, yb), fx);
    return Lerp(top, bottom, fy);
}

IDirect3DTexture9* CreateFloatTexture(IDirect3DDevice9* device, const FloatImage& image) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(UINT(image.width), UINT(image.height), 1, 0,
                                     D3DFMT_A32B32G32R32F, D3DPOOL_MANAGED, &texture, nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
        for (int y = 0; y < image.height; ++y)
            std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                        &image.At(0, y), size_t(image.width) * sizeof(D3DXVECTOR4));
        texture->UnlockRect(0);
    }
    return texture;
}

FloatTarget::FloatTarget(IDirect3DDevice9* device, UINT width, UINT height) {
    if (SUCCEEDED(device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET,
                                        D3DFMT_A32B32G32R32F, D3DPOOL_DEFAULT, &texture, nullptr)))
        texture->GetSurfaceLevel(0, &surface);
}

FloatTarget::~FloatTarget() {
    if (surface)
        surface->Release();
    if (texture)
        texture->Release();
}

FloatImage ReadFloatImage(GlTestDevice& gl, IDirect3DSurface9* surface) {
    D3DSURFACE_DESC desc;
    surface->GetDesc(&desc);
    std::vector<float> floats = gl.ReadFloat(surface);
    FloatImage image(int(desc.Width), int(desc.Height), D3DXVECTOR4(0, 0, 0, 0));
    if (floats.size() == image.texels.size() * 4)
        std::memcpy(image.texels.data(), floats.data(), floats.size() * sizeof(float));
    return image;
}
