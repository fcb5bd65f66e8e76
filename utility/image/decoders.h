// One decoder per image file format. Each takes the whole file in memory,
// checks every size against the data before it reads, and fills `image` or
// returns D3DXERR_INVALIDDATA (broken or unsupported content) or
// E_OUTOFMEMORY. On failure `image` holds nothing of value.
#pragma once

#include "utility/image/image.h"

HRESULT DecodePng(const std::uint8_t* data, std::size_t size, Image& image);
HRESULT DecodeJpeg(const std::uint8_t* data, std::size_t size, Image& image);
// Radiance RGBE into float pixels.
HRESULT DecodeHdr(const std::uint8_t* data, std::size_t size, Image& image);
HRESULT DecodeBmp(const std::uint8_t* data, std::size_t size, Image& image);
HRESULT DecodeTga(const std::uint8_t* data, std::size_t size, Image& image);
// The top level of a DXT1/3/5 or 32-bit uncompressed DDS file.
HRESULT DecodeDds(const std::uint8_t* data, std::size_t size, Image& image);

// TGA has no signature: a header whose fields all hold values the format
// allows is taken for one.
bool LooksLikeTga(const std::uint8_t* data, std::size_t size);
