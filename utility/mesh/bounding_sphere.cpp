#include "utility/d3dx9mesh.h"

#include <cmath>

namespace {

const D3DXVECTOR3& PositionAt(const D3DXVECTOR3* first, DWORD stride, DWORD i) {
    return *reinterpret_cast<const D3DXVECTOR3*>(reinterpret_cast<const BYTE*>(first) +
                                                 std::size_t(i) * stride);
}

} // namespace

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* firstPosition, DWORD count, DWORD stride,
                                  D3DXVECTOR3* center, float* radius) {
    if (!firstPosition || !center || !radius)
        return D3DERR_INVALIDCALL;
    // Sums in double: a million float positions summed in float lose the
    // mean's low digits.
    double sum[3] = {0, 0, 0};
    for (DWORD i = 0; i < count; ++i) {
        const D3DXVECTOR3& p = PositionAt(firstPosition, stride, i);
        sum[0] += p.x;
        sum[1] += p.y;
        sum[2] += p.z;
    }
    double n = count ? double(count) : 1.0;
    *center = D3DXVECTOR3(float(sum[0] / n), float(sum[1] / n), float(sum[2] / n));
    float farthest = 0.0f;
    for (DWORD i = 0; i < count; ++i) {
        D3DXVECTOR3 d = PositionAt(firstPosition, stride, i) - *center;
        farthest = std::fmax(farthest, d.x * d.x + d.y * d.y + d.z * d.z);
    }
    *radius = std::sqrt(farthest);
    return D3D_OK;
}
