// The program's icon as a few flat shapes on a square of kIconSize units,
// painted in order. The SVG and the PNG are both drawn from these shapes, so
// the two files never disagree.
#pragma once

#include <cstdint>
#include <vector>

constexpr int kIconSize = 256;

// 0xRRGGBB in sRGB, as SVG writes it, and an opacity of 0..1.
struct IconColor {
    std::uint32_t rgb = 0;
    float opacity = 1.0f;
};

// From `top` at y0 down to `bottom` at y1; a solid paint has one colour.
struct IconPaint {
    IconColor top;
    IconColor bottom;
    float y0 = 0.0f;
    float y1 = 0.0f;

    bool IsSolid() const { return top.rgb == bottom.rgb && top.opacity == bottom.opacity; }
};

struct IconPoint {
    float x = 0.0f;
    float y = 0.0f;
};

enum class IconShapeKind { RoundedRect, Circle, Polygon };

struct IconShape {
    IconShapeKind kind = IconShapeKind::Polygon;
    IconPoint min;                 // rounded rectangle: top-left corner; circle: centre
    IconPoint max;                 // rounded rectangle: bottom-right corner
    float radius = 0.0f;           // corner radius, or the circle's
    std::vector<IconPoint> points; // polygon, in order
    IconPaint paint;
};

IconShape RoundedRect(IconPoint min, IconPoint max, float radius, IconPaint paint);
IconShape Circle(IconPoint centre, float radius, IconPaint paint);
IconShape Polygon(std::vector<IconPoint> points, IconPaint paint);
IconPaint Solid(IconColor color);

// A dark tile with a glowing cube: the viewer's lit meshes and bloom.
std::vector<IconShape> ZelqadIcon();
