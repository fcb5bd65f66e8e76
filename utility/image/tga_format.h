// TGA has no signature, and stb_image, which decodes it, reads zeros past
// the end of its data instead of failing: the header and the pixel data are
// checked here before stb_image sees them.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstddef>
#include <cstdint>

// D3D_OK for a file whose header LooksLikeTga, whose size is allowed, and
// whose pixel data (raw or run-length) is all there with every colour index
// inside the colour map; else D3DXERR_INVALIDDATA, leaving the reason.
HRESULT CheckTga(const std::uint8_t* data, std::size_t size);
