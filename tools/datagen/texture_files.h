// Texture files of the default data. The viewer recognises an image by its
// content, so every file may keep the ".tex" name whatever its format.
#pragma once

#include "utility/image/image.h"

// Red, green, blue and alpha, 8 bits each.
HRESULT WritePngFile(const char* path, const Image& image);
// Red, green and blue only: for maps whose alpha means nothing.
HRESULT WriteOpaquePngFile(const char* path, const Image& image);
// Baseline JFIF at the given quality; alpha is dropped.
HRESULT WriteJpegFile(const char* path, const Image& image, int quality);
