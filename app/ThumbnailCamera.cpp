#include "app/ThumbnailCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Front (the model faces -Z, towards the viewer's start-up camera), 20
// degrees above and 30 degrees to the side.
constexpr float kElevation = 20.0f * D3DX_PI / 180.0f;
constexpr float kAzimuth = 30.0f * D3DX_PI / 180.0f;
// Rounds of fitting the distance and centring: each brings the picture
// closer; a model that fills the frame from close by needs the most.
constexpr int kRounds = 24;

D3DXVECTOR3 ViewDirection() {
    return D3DXVECTOR3(-std::sin(kAzimuth) * std::cos(kElevation), -std::sin(kElevation),
                       std::cos(kAzimuth) * std::cos(kElevation));
}

// The camera's axes as the left-handed look-at matrix builds them.
struct Axes {
    D3DXVECTOR3 right, up, forward;
};

Axes AxesOf(const D3DXVECTOR3& forward) {
    Axes axes;
    axes.forward = forward;
    const D3DXVECTOR3 worldUp(0, 1, 0);
    D3DXVECTOR3 right;
    D3DXVec3Cross(&right, &worldUp, &forward);
    D3DXVec3Normalize(&axes.right, &right);
    D3DXVec3Cross(&axes.up, &axes.forward, &axes.right);
    return axes;
}

// The points in world space, relative to `origin`, in the camera's axes.
std::vector<D3DXVECTOR3> ViewPoints(const std::vector<D3DXVECTOR3>& world,
                                    const D3DXVECTOR3& origin, const Axes& axes) {
    std::vector<D3DXVECTOR3> view;
    view.reserve(world.size());
    for (const D3DXVECTOR3& p : world) {
        D3DXVECTOR3 d = p - origin;
        view.emplace_back(D3DXVec3Dot(&d, &axes.right), D3DXVec3Dot(&d, &axes.up),
                          D3DXVec3Dot(&d, &axes.forward));
    }
    return view;
}

std::vector<D3DXVECTOR3> WorldPoints(const void* points, std::size_t count, std::size_t stride,
                                     const D3DXMATRIX& world) {
    std::vector<D3DXVECTOR3> moved(count);
    const auto* bytes = static_cast<const unsigned char*>(points);
    for (std::size_t i = 0; i < count; ++i) {
        D3DXVECTOR3 p;
        std::memcpy(&p, bytes + i * stride, sizeof p);
        D3DXVec3TransformCoord(&moved[i], &p, &world);
    }
    return moved;
}

// Projected bounds of points given relative to the camera's target, with
// the camera `distance` behind it; every point is in front.
ProjectedBounds Project(const std::vector<D3DXVECTOR3>& view, float distance, float xScale,
                        float yScale) {
    ProjectedBounds b{INFINITY, -INFINITY, INFINITY, -INFINITY};
    for (const D3DXVECTOR3& v : view) {
        float z = v.z + distance;
        float x = xScale * v.x / z, y = yScale * v.y / z;
        b.minX = std::min(b.minX, x);
        b.maxX = std::max(b.maxX, x);
        b.minY = std::min(b.minY, y);
        b.maxY = std::max(b.maxY, y);
    }
    return b;
}

float LongerExtent(const ProjectedBounds& b) {
    return std::max(b.maxX - b.minX, b.maxY - b.minY);
}

// The distance behind the target at which the points' longer projected
// extent is `wanted` (it shrinks as the camera backs away), keeping every
// point `margin` in front; the nearest such distance when even that is too
// small.
float FillingDistance(const std::vector<D3DXVECTOR3>& view, float radius, float margin,
                      float xScale, float yScale, float wanted) {
    float nearest = 0.0f;
    for (const D3DXVECTOR3& v : view)
        nearest = std::max(nearest, -v.z);
    float lo = nearest + margin, hi = lo + 1000.0f * radius;
    if (LongerExtent(Project(view, lo, xScale, yScale)) <= wanted)
        return lo;
    for (int step = 0; step < 48; ++step) {
        float mid = 0.5f * (lo + hi);
        (LongerExtent(Project(view, mid, xScale, yScale)) > wanted ? lo : hi) = mid;
    }
    return hi;
}

// How far to move the target along the camera's right (axis 0) or up (axis
// 1) for the points' projection to be centred on that axis: the shift s
// that puts the two extreme points, at (a - s) / z, evenly either side.
// The extremes are near points when the model is near, which a shift by the
// target's depth alone would overshoot.
float CentringShift(const std::vector<D3DXVECTOR3>& view, float distance, float scale, int axis) {
    float low = INFINITY, high = -INFINITY;
    float lowA = 0, lowZ = 1, highA = 0, highZ = 1;
    for (const D3DXVECTOR3& v : view) {
        float a = axis == 0 ? v.x : v.y, z = v.z + distance;
        float projected = scale * a / z;
        if (projected < low) {
            low = projected;
            lowA = a;
            lowZ = z;
        }
        if (projected > high) {
            high = projected;
            highA = a;
            highZ = z;
        }
    }
    return (lowA / lowZ + highA / highZ) / (1.0f / lowZ + 1.0f / highZ);
}

} // namespace

bool FitThumbnailCamera(const void* points, std::size_t count, std::size_t stride,
                        const D3DXMATRIX& world, float xScale, float yScale, float nearZ,
                        float fill, FittedCamera& camera) {
    if (!points || count == 0 || stride < sizeof(D3DXVECTOR3) || !(fill > 0.0f) || fill >= 1.0f)
        return false;
    const std::vector<D3DXVECTOR3> moved = WorldPoints(points, count, stride, world);
    D3DXVECTOR3 low = moved[0], high = moved[0];
    for (const D3DXVECTOR3& p : moved) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return false;
        low = D3DXVECTOR3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = D3DXVECTOR3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    D3DXVECTOR3 size = high - low;
    const float radius = 0.5f * D3DXVec3Length(&size);
    if (!(radius > 0.0f) || !std::isfinite(radius))
        return false;

    const Axes axes = AxesOf(ViewDirection());
    D3DXVECTOR3 target = 0.5f * (low + high);
    const float margin = std::max(nearZ, radius * 1e-3f);
    // Each round finds the distance at which the longer extent is the one
    // wanted, then moves the target so that the picture is centred; a few
    // rounds settle both, and the last distance is found for the last
    // target.
    float distance = 0.0f;
    for (int round = 0;; ++round) {
        std::vector<D3DXVECTOR3> view = ViewPoints(moved, target, axes);
        distance = FillingDistance(view, radius, margin, xScale, yScale, 2.0f * fill);
        if (round == kRounds)
            break;
        target += CentringShift(view, distance, xScale, 0) * axes.right +
                  CentringShift(view, distance, yScale, 1) * axes.up;
    }
    camera.direction = axes.forward;
    camera.position = target - distance * axes.forward;
    return true;
}

ProjectedBounds ProjectPoints(const void* points, std::size_t count, std::size_t stride,
                              const D3DXMATRIX& world, const FittedCamera& camera, float xScale,
                              float yScale) {
    const Axes axes = AxesOf(camera.direction);
    return Project(ViewPoints(WorldPoints(points, count, stride, world), camera.position, axes), 0,
                   xScale, yScale);
}
