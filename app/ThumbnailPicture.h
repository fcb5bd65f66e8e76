// The thumbnail's picture: the model alone on a transparent background,
// made from two readings of one frame drawn larger than the picture and
// shrunk, which antialiases its edges.
#pragma once

#include "utility/image/image.h"

// `colour`: the scene with its glow over black; `coverage`: the model drawn
// white on black, the same size. The result, `width` x `height`, has
// straight (not premultiplied) colour: the model's pixels keep their
// colour and take their coverage as alpha; where only the glow lies, the
// alpha is the glow's brightness, so that over black the picture looks as
// drawn. D3DXERR_INVALIDDATA for images of different sizes or kinds,
// E_OUTOFMEMORY.
HRESULT MakeThumbnailPicture(const Image& colour, const Image& coverage, UINT width, UINT height,
                             Image& picture);
