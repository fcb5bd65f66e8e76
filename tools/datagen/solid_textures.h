// The texture set of the solid model ("tex.tex" and its companions): a
// gunmetal sci-fi block with steel frames, painted panels, vents, hazard
// stripes, orange chamfer guards, and cyan and orange glowing lines.
#pragma once

#include "tools/datagen/texture_set.h"

TextureSetImages PaintSolidTextures();
