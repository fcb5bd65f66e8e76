// Moves the vertices of a mesh to their pose on the processor, in the
// shading layout (position, normal, tangent, texture coordinate).
#pragma once

#include "utility/animation/skin_rig.h"

#include <cstddef>

struct SkinVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR3 tangent;
    D3DXVECTOR2 uv;
};
static_assert(sizeof(SkinVertex) == 44, "the shading layout is 44 bytes");

// out[i] = rest[i] moved by the blend of its influences' palette matrices:
// the position by the matrix, the tangent by its 3x3 part, the normal by
// its inverse transpose (so that scaled bones keep normals upright), both
// renormalised; the texture coordinate copied. `rest` and `out` must not
// overlap.
void SkinVertices(const SkinInfluences* influences, const SkinMatrix* palette,
                  const SkinVertex* rest, SkinVertex* out, size_t count);
