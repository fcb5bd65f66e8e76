// Smooth outlines for surfaces of revolution.
#pragma once

#include "utility/d3dx9math.h"

#include <vector>

// A Catmull-Rom curve through control points (radius, height), one span
// between each two, reached at t = k / (count - 1) for point k. The first
// and the last point lie on the axis (radius 0): phantom points mirrored
// across the axis make the curve meet it at a right angle, so the swept
// surface is smooth at its poles.
class Profile {
public:
    explicit Profile(std::vector<D3DXVECTOR2> points);
    D3DXVECTOR2 operator()(float t) const;

private:
    std::vector<D3DXVECTOR2> points; // with one phantom at each end
};

// A capsule along the axis from height 0 to `length`: rounded ends of radius
// startRadius and endRadius joined by a straight taper.
Profile CapsuleProfile(float startRadius, float endRadius, float length);
