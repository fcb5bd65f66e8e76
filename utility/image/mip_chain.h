// Smaller levels of a mip chain.
#pragma once

#include "utility/image/image.h"

// Fills `target` with a `width` x `height` box-filtered copy of `source`:
// each pixel is the mean of the source pixels its area covers, which is the
// 2x2 mean when a side halves exactly. The pixel kind stays as it is.
HRESULT ShrinkImage(const Image& source, UINT width, UINT height, Image& target);
