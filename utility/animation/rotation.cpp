#include "utility/animation/rotation.h"

#include <cmath>

XQuaternion Slerp(const XQuaternion& a, const XQuaternion& b, float s) {
    float cosine = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    float sign = 1.0f;
    if (cosine < 0) { // q and -q are one rotation: take the nearer
        cosine = -cosine;
        sign = -1.0f;
    }
    float wa, wb;
    if (cosine > 0.9995f) { // too close for the sine to divide by
        wa = 1.0f - s;
        wb = s;
    } else {
        float angle = std::acos(cosine);
        float sine = std::sin(angle);
        wa = std::sin((1.0f - s) * angle) / sine;
        wb = std::sin(s * angle) / sine;
    }
    wb *= sign;
    XQuaternion q{wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z,
                  wa * a.w + wb * b.w};
    float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    return {q.x / length, q.y / length, q.z / length, q.w / length};
}

D3DXMATRIX ComposeTransform(const D3DXVECTOR3& scale, const XQuaternion& q,
                            const D3DXVECTOR3& translation) {
    float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    D3DXMATRIX m;
    const float rows[3][3] = {{1 - 2 * (yy + zz), 2 * (xy + wz), 2 * (xz - wy)},
                              {2 * (xy - wz), 1 - 2 * (xx + zz), 2 * (yz + wx)},
                              {2 * (xz + wy), 2 * (yz - wx), 1 - 2 * (xx + yy)}};
    const float s[3] = {scale.x, scale.y, scale.z};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k)
            m.m[i][k] = s[i] * rows[i][k];
        m.m[i][3] = 0;
    }
    m._41 = translation.x;
    m._42 = translation.y;
    m._43 = translation.z;
    m._44 = 1;
    return m;
}
