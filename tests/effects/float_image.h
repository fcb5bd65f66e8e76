// Four-float images for the effect tests: what a texture holds and what a
// render target read back holds, bilinear sampling as the device's samplers
// do it, and the transfers to and from the device.
#pragma once

#include "tests/support/GlTestDevice.h"
#include "utility/d3dx9math.h"

#include <vector>

struct FloatImage {
    int width = 0;
    int height = 0;
    std::vector<D3DXVECTOR4> texels; // rows top-down

    FloatImage() = default;
    FloatImage(int w, int h, D3DXVECTOR4 fill) : width(w), height(h), texels(size_t(w) * h, fill) {}

    D3DXVECTOR4& At(int x, int y) { return texels[size_t(y) * width + x]; }
    const D3DXVECTOR4& At(int x, int y) const { return texels[size_t(y) * width + x]; }

    // Bilinear filtering at (u, v), texel centres at (i + 0.5) / width;
    // addressing wraps or clamps to the edge.
    D3DXVECTOR4 Sample(float u, float v, bool wrap) const;
};

// A one-level managed A32B32G32R32F texture holding the image.
IDirect3DTexture9* CreateFloatTexture(IDirect3DDevice9* device, const FloatImage& image);

// An A32B32G32R32F render target with its level-0 surface.
struct FloatTarget {
    FloatTarget(IDirect3DDevice9* device, UINT width, UINT height);
    ~FloatTarget();
    FloatTarget(const FloatTarget&) = delete;
    FloatTarget& operator=(const FloatTarget&) = delete;

    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
};

FloatImage ReadFloatImage(GlTestDevice& gl, IDirect3DSurface9* surface);

inline D3DXVECTOR4 Lerp(const D3DXVECTOR4& a, const D3DXVECTOR4& b, float t) {
    return D3DXVECTOR4(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t,
                       a.w + (b.w - a.w) * t);
}
