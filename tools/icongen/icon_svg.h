// The icon's shapes as an SVG document, in the icon's own units.
#pragma once

#include "tools/icongen/icon_art.h"

#include <string>

std::string IconSvg(const std::vector<IconShape>& shapes);
