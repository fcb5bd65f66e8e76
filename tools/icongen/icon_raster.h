// The icon's shapes drawn into pixels: each pixel is the average of a grid
// of samples, so edges are smooth at any size.
#pragma once

#include "tools/icongen/icon_art.h"
#include "utility/image/image.h"

// An 8-bit BGRA image of size × size pixels (transparent where no shape is),
// the icon's units scaled to fit. False when the memory is not there.
bool RasterizeIcon(const std::vector<IconShape>& shapes, UINT size, Image& image);

// Whether a point in icon units lies inside the shape.
bool IconShapeContains(const IconShape& shape, IconPoint point);
