// Small colour and shape helpers for the texture painters.
#pragma once

#include <algorithm>
#include <cmath>

struct Rgb {
    float r, g, b;

    Rgb operator+(const Rgb& o) const { return {r + o.r, g + o.g, b + o.b}; }
    Rgb operator*(float s) const { return {r * s, g * s, b * s}; }
};

inline Rgb Grey(float value) {
    return {value, value, value};
}

inline float Clamp01(float x) {
    return std::clamp(x, 0.0f, 1.0f);
}

inline float Mix(float a, float b, float t) {
    return a + (b - a) * t;
}

inline Rgb Mix(const Rgb& a, const Rgb& b, float t) {
    return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)};
}

inline float Smoothstep(float edge0, float edge1, float x) {
    float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// How much of a texel lies inside a shape, from the shape's signed distance
// (negative inside): a linear edge `width` wide, centred on the outline.
inline float Inside(float distance, float width) {
    return Clamp01(0.5f - distance / width);
}

// Signed distances of the basic shapes, centred on the origin.
inline float BoxDistance(float x, float y, float halfWidth, float halfHeight) {
    float dx = std::fabs(x) - halfWidth, dy = std::fabs(y) - halfHeight;
    float outside = std::hypot(std::max(dx, 0.0f), std::max(dy, 0.0f));
    return outside + std::min(std::max(dx, dy), 0.0f);
}

inline float CircleDistance(float x, float y, float radius) {
    return std::hypot(x, y) - radius;
}

// A soft bump: 1 at the centre of a disc of `radius`, falling smoothly to 0
// at its edge.
inline float Dome(float x, float y, float radius) {
    float d = std::hypot(x, y) / radius;
    return d >= 1 ? 0.0f : (1 - d * d) * (1 - d * d);
}

// Distance from x to the nearest multiple of `spacing`.
inline float DistanceToLines(float x, float spacing) {
    float f = x / spacing - std::floor(x / spacing);
    return std::min(f, 1 - f) * spacing;
}
