// The texture set of the skin model ("stex.tex" and its companions): a
// teal, spotted, glossy back over a pale matte belly, scaly relief, a row of
// glowing dots along each flank, amber glowing eyes and antenna bulbs.
#pragma once

#include "tools/datagen/texture_set.h"

TextureSetImages PaintSkinTextures();
