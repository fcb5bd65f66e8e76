#include "utility/animation/skinning.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Four floats in one register where the processor has them (GCC and Clang
// lower these to SSE or NEON, or to scalar code elsewhere).
typedef float Float4 __attribute__((vector_size(16)));

struct Rows {
    Float4 r[4]; // rows 0 to 2, translation
};

inline Float4 Load(const float* values) {
    Float4 v;
    std::memcpy(&v, values, sizeof v);
    return v;
}

// (y, z, x, w): with it, a x b = (a * b.yzx - a.yzx * b).yzx.
inline Float4 RotateLanes(Float4 v) {
#if defined(__clang__)
    return __builtin_shufflevector(v, v, 1, 2, 0, 3);
#else
    typedef int Int4 __attribute__((vector_size(16)));
    return __builtin_shuffle(v, Int4{1, 2, 0, 3});
#endif
}

inline Float4 Cross(Float4 a, Float4 b) {
    return RotateLanes(a * RotateLanes(b) - RotateLanes(a) * b);
}

inline Rows Blend(const SkinInfluences& influences, const SkinMatrix* palette) {
    Rows rows;
    const SkinMatrix& first = palette[influences.entry[0]];
    float w = influences.weight[0];
    for (int k = 0; k < 4; ++k)
        rows.r[k] = Load(first.m[k]) * w;
    for (int i = 1; i < kMaxInfluences; ++i) {
        const SkinMatrix& p = palette[influences.entry[i]];
        w = influences.weight[i];
        for (int k = 0; k < 4; ++k)
            rows.r[k] += Load(p.m[k]) * w;
    }
    return rows;
}

// Vertices are moved a block at a time, and their normals and tangents
// then scaled to unit length together, in a loop the compiler turns into
// vector square roots.
constexpr size_t kBlock = 256;

// Added to every length squared, far below what changes a real one, so
// that a zero vector stays zero instead of being divided by zero; a branch
// here would keep the loop from being vectorised.
constexpr float kTinyLengthSq = 1e-30f;

inline float LengthSq(const D3DXVECTOR3& v) {
    return v.x * v.x + v.y * v.y + v.z * v.z;
}

// Moves the vertices, leaving normals and tangents at their blended
// lengths, whose squares go to lengthSq (normal, tangent a vertex).
void MoveBlock(const SkinInfluences* influences, const SkinMatrix* palette, const SkinVertex* rest,
               SkinVertex* out, size_t count, float* lengthSq) {
    for (size_t i = 0; i < count; ++i) {
        const Rows m = Blend(influences[i], palette);
        const SkinVertex& v = rest[i];
        const D3DXVECTOR3& p = v.position;
        const D3DXVECTOR3& n = v.normal;
        const D3DXVECTOR3& t = v.tangent;
        SkinVertex& o = out[i];
        Float4 position = m.r[0] * p.x + m.r[1] * p.y + m.r[2] * p.z + m.r[3];
        Float4 tangent = m.r[0] * t.x + m.r[1] * t.y + m.r[2] * t.z;
        o.position = D3DXVECTOR3(position[0], position[1], position[2]);
        o.tangent = D3DXVECTOR3(tangent[0], tangent[1], tangent[2]);
        // The cofactor rows (r1 x r2, r2 x r0, r0 x r1) are the inverse
        // transpose times the determinant, whose sign keeps a mirroring
        // blend from turning normals inside out.
        const Float4 &a = m.r[0], &b = m.r[1], &c = m.r[2];
        Float4 bc = Cross(b, c);
        Float4 normal = n.x * bc + n.y * Cross(c, a) + n.z * Cross(a, b);
        if (a[0] * bc[0] + a[1] * bc[1] + a[2] * bc[2] < 0)
            normal = -normal;
        o.normal = D3DXVECTOR3(normal[0], normal[1], normal[2]);
        o.uv = v.uv;
        lengthSq[2 * i] = LengthSq(o.normal);
        lengthSq[2 * i + 1] = LengthSq(o.tangent);
    }
}

} // namespace

void SkinVertices(const SkinInfluences* influences, const SkinMatrix* palette,
                  const SkinVertex* rest, SkinVertex* out, size_t count) {
    float scale[2 * kBlock];
    for (size_t first = 0; first < count; first += kBlock) {
        size_t n = std::min(kBlock, count - first);
        MoveBlock(influences + first, palette, rest + first, out + first, n, scale);
        for (size_t k = 0; k < 2 * kBlock; ++k)
            scale[k] = 1.0f / std::sqrt(scale[k] + kTinyLengthSq);
        for (size_t i = 0; i < n; ++i) {
            out[first + i].normal *= scale[2 * i];
            out[first + i].tangent *= scale[2 * i + 1];
        }
    }
}
