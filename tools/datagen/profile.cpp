#include "tools/datagen/profile.h"

#include <algorithm>
#include <cmath>

Profile::Profile(std::vector<D3DXVECTOR2> controlPoints) {
    const D3DXVECTOR2& second = controlPoints[1];
    const D3DXVECTOR2& beforeLast = controlPoints[controlPoints.size() - 2];
    points.push_back({-second.x, second.y});
    points.insert(points.end(), controlPoints.begin(), controlPoints.end());
    points.push_back({-beforeLast.x, beforeLast.y});
}

D3DXVECTOR2 Profile::operator()(float t) const {
    const int spans = int(points.size()) - 3;
    float position = std::clamp(t, 0.0f, 1.0f) * float(spans);
    int span = std::min(int(position), spans - 1);
    float s = position - float(span);
    const D3DXVECTOR2& p0 = points[span];
    const D3DXVECTOR2& p1 = points[span + 1];
    const D3DXVECTOR2& p2 = points[span + 2];
    const D3DXVECTOR2& p3 = points[span + 3];
    return (p1 * 2 + (p2 - p0) * s + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * (s * s) +
            (p1 * 3 - p0 - p2 * 3 + p3) * (s * s * s)) *
           0.5f;
}

Profile CapsuleProfile(float startRadius, float endRadius, float length) {
    // Quarter circles sampled at 22.5 degrees: Catmull-Rom through them
    // stays within a fraction of a percent of the arc.
    constexpr int arcSteps = 4;
    std::vector<D3DXVECTOR2> points;
    for (int k = 0; k <= arcSteps; ++k) {
        float angle = float(k) / arcSteps * D3DX_PI / 2;
        points.push_back({startRadius * std::sin(angle), startRadius * (1 - std::cos(angle))});
    }
    points.push_back({(startRadius + endRadius) / 2, length / 2});
    for (int k = arcSteps; k >= 0; --k) {
        float angle = float(k) / arcSteps * D3DX_PI / 2;
        points.push_back({endRadius * std::sin(angle), length - endRadius * (1 - std::cos(angle))});
    }
    return Profile(std::move(points));
}
