#include "utility/animation/skinning.h"

#include <cmath>

namespace {

inline void Blend(const SkinInfluences& influences, const SkinMatrix* palette, float m[12]) {
    const float* first = &palette[influences.entry[0]].m[0][0];
    float w = influences.weight[0];
    for (int k = 0; k < 12; ++k)
        m[k] = w * first[k];
    for (int i = 1; i < kMaxInfluences; ++i) {
        const float* p = &palette[influences.entry[i]].m[0][0];
        w = influences.weight[i];
        for (int k = 0; k < 12; ++k)
            m[k] += w * p[k];
    }
}

inline D3DXVECTOR3 Unit(float x, float y, float z) {
    float lengthSq = x * x + y * y + z * z;
    if (!(lengthSq > 0))
        return D3DXVECTOR3(x, y, z);
    float inverse = 1.0f / std::sqrt(lengthSq);
    return D3DXVECTOR3(x * inverse, y * inverse, z * inverse);
}

} // namespace

void SkinVertices(const SkinInfluences* influences, const SkinMatrix* palette,
                  const SkinVertex* rest, SkinVertex* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        float m[12]; // rows r0, r1, r2, translation
        Blend(influences[i], palette, m);
        const SkinVertex& v = rest[i];
        const D3DXVECTOR3& p = v.position;
        const D3DXVECTOR3& n = v.normal;
        const D3DXVECTOR3& t = v.tangent;
        SkinVertex& o = out[i];
        o.position = D3DXVECTOR3(p.x * m[0] + p.y * m[3] + p.z * m[6] + m[9],
                                 p.x * m[1] + p.y * m[4] + p.z * m[7] + m[10],
                                 p.x * m[2] + p.y * m[5] + p.z * m[8] + m[11]);
        o.tangent = Unit(t.x * m[0] + t.y * m[3] + t.z * m[6], t.x * m[1] + t.y * m[4] + t.z * m[7],
                         t.x * m[2] + t.y * m[5] + t.z * m[8]);
        // The cofactor rows (r1 x r2, r2 x r0, r0 x r1) are the inverse
        // transpose times the determinant, whose sign keeps a mirroring
        // blend from turning normals inside out.
        float c0[3] = {m[4] * m[8] - m[5] * m[7], m[5] * m[6] - m[3] * m[8],
                       m[3] * m[7] - m[4] * m[6]};
        float c1[3] = {m[7] * m[2] - m[8] * m[1], m[8] * m[0] - m[6] * m[2],
                       m[6] * m[1] - m[7] * m[0]};
        float c2[3] = {m[1] * m[5] - m[2] * m[4], m[2] * m[3] - m[0] * m[5],
                       m[0] * m[4] - m[1] * m[3]};
        float sign = m[0] * c0[0] + m[1] * c0[1] + m[2] * c0[2] < 0 ? -1.0f : 1.0f;
        o.normal = Unit(sign * (n.x * c0[0] + n.y * c1[0] + n.z * c2[0]),
                        sign * (n.x * c0[1] + n.y * c1[1] + n.z * c2[1]),
                        sign * (n.x * c0[2] + n.y * c1[2] + n.z * c2[2]));
        o.uv = v.uv;
    }
}
