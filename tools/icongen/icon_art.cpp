#include "tools/icongen/icon_art.h"

#include <utility>

IconShape RoundedRect(IconPoint min, IconPoint max, float radius, IconPaint paint) {
    IconShape shape;
    shape.kind = IconShapeKind::RoundedRect;
    shape.min = min;
    shape.max = max;
    shape.radius = radius;
    shape.paint = paint;
    return shape;
}

IconShape Circle(IconPoint centre, float radius, IconPaint paint) {
    IconShape shape;
    shape.kind = IconShapeKind::Circle;
    shape.min = centre;
    shape.radius = radius;
    shape.paint = paint;
    return shape;
}

IconShape Polygon(std::vector<IconPoint> points, IconPaint paint) {
    IconShape shape;
    shape.kind = IconShapeKind::Polygon;
    shape.points = std::move(points);
    shape.paint = paint;
    return shape;
}

IconPaint Solid(IconColor color) {
    IconPaint paint;
    paint.top = color;
    paint.bottom = color;
    return paint;
}

std::vector<IconShape> ZelqadIcon() {
    // The tile leaves a margin, as icon themes expect, and darkens downwards
    // like the viewer's fogged background.
    IconPaint tile;
    tile.top = {0x2a3f6b};
    tile.bottom = {0x0b1122};
    tile.y0 = 16.0f;
    tile.y1 = 240.0f;

    // An isometric cube: the top face catches the light, the sides fall off.
    const IconPoint centre{128, 134};
    const IconPoint top{128, 58}, upperRight{194, 96}, lowerRight{194, 172};
    const IconPoint bottom{128, 210}, lowerLeft{62, 172}, upperLeft{62, 96};

    std::vector<IconShape> shapes{RoundedRect({16, 16}, {240, 240}, 40, tile)};
    // The bloom: faint discs stacked, so it brightens towards the cube.
    for (int ring = 0; ring < 6; ++ring)
        shapes.push_back(Circle(centre, 106.0f - 5.0f * float(ring), Solid({0xffa040, 0.07f})));
    shapes.push_back(Polygon({top, upperRight, centre, upperLeft}, Solid({0xffe08a})));
    shapes.push_back(Polygon({upperLeft, centre, bottom, lowerLeft}, Solid({0xf0a040})));
    shapes.push_back(Polygon({centre, upperRight, lowerRight, bottom}, Solid({0xb45a22})));
    return shapes;
}
