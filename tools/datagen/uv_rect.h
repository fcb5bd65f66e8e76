// A rectangle of a texture atlas.
#pragma once

#include "utility/d3dx9math.h"

struct UvRect {
    float u0, v0, u1, v1;

    // The point at fractions (fu, fv) of the width and height.
    D3DXVECTOR2 At(float fu, float fv) const { return {u0 + (u1 - u0) * fu, v0 + (v1 - v0) * fv}; }
    bool Contains(float u, float v) const { return u >= u0 && u < u1 && v >= v0 && v < v1; }
    // Fractions of the width and height at (u, v): the inverse of At.
    D3DXVECTOR2 Local(float u, float v) const {
        return {(u - u0) / (u1 - u0), (v - v0) / (v1 - v0)};
    }
    // The same rectangle grown by `texels` of a texture `size` texels wide
    // on every side.
    UvRect Padded(float texels, float size) const {
        const float pad = texels / size;
        return {u0 - pad, v0 - pad, u1 + pad, v1 + pad};
    }
};

// A rectangle given in texels of an atlas `size` texels square.
constexpr UvRect AtlasTexels(float x0, float y0, float x1, float y1, float size) {
    return {x0 / size, y0 / size, x1 / size, y1 / size};
}

// A local coordinate that has left [0, 1] folded back into it: the gutter
// round a region repeats the region's edge mirrored, so that filtering
// across the edge of a mirrored mapping finds the same art on both sides.
inline float FoldedBack(float x) {
    return x < 0 ? -x : x > 1 ? 2 - x : x;
}

// Whether (u, v) lies in `region` or in the gutter `gutter` texels wide
// round it, and if so its local coordinates folded back into the region.
inline bool FindInRegion(const UvRect& region, float gutter, float size, float u, float v,
                         D3DXVECTOR2& local) {
    if (!region.Padded(gutter, size).Contains(u, v))
        return false;
    D3DXVECTOR2 at = region.Local(u, v);
    local = {FoldedBack(at.x), FoldedBack(at.y)};
    return true;
}
