// The camera of a thumbnail: the model seen from the front, a little above
// and a little to its right, as near as it must be for its picture to fill
// a chosen share of the frame along its longer side, and centred.
#pragma once

#include "utility/d3dx9math.h"

#include <cstddef>

struct FittedCamera {
    D3DXVECTOR3 position{0, 0, 0};
    D3DXVECTOR3 direction{0, 0, 1}; // unit; the up axis is world +Y
};

// The share of the picture the model's projected extent fills along its
// longer side.
constexpr float kThumbnailFill = 0.9f;

// Fits the camera to `count` points (x, y, z floats, `stride` bytes apart)
// moved by `world`, for a projection that maps a view-space point to
// (xScale * x / z, yScale * y / z) in -1 .. 1 (the viewer's perspective
// matrix), keeping every point at least `nearZ` in front. False when there
// are no points, or they all lie in one point, or one is not finite; the
// camera is then left as it was.
bool FitThumbnailCamera(const void* points, std::size_t count, std::size_t stride,
                        const D3DXMATRIX& world, float xScale, float yScale, float nearZ,
                        float fill, FittedCamera& camera);

// The points' projected bounds as seen by `camera` through that projection:
// the extremes of x and y in -1 .. 1. For checking a fit.
struct ProjectedBounds {
    float minX, maxX, minY, maxY;
};
ProjectedBounds ProjectPoints(const void* points, std::size_t count, std::size_t stride,
                              const D3DXMATRIX& world, const FittedCamera& camera, float xScale,
                              float yScale);
