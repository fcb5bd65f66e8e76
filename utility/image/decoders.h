// One decoder per image file format. Each takes the whole file in memory,
// checks every size against the data before it reads, and fills `image`,
// shrunk to fit `fit` where the file's image is larger (see FitImageSize),
// or returns D3DXERR_INVALIDDATA (broken or unsupported content, or a load
// asked to stop) or E_OUTOFMEMORY, leaving the reason for LoadFailure(). On
// failure `image` holds nothing of value.
#pragma once

#include "utility/image/image.h"

HRESULT DecodePng(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image);
HRESULT DecodeJpeg(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image);
// Radiance RGBE into float pixels.
HRESULT DecodeHdr(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image);
HRESULT DecodeBmp(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image);
HRESULT DecodeTga(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image);
// The top level of a DXT1/3/5 DDS file or of one with uncompressed RGB,
// luminance or alpha pixels described by channel masks.
HRESULT DecodeDds(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image);

// TGA has no signature: a header whose fields all hold values the format
// allows, and agree with each other, is taken for one.
bool LooksLikeTga(const std::uint8_t* data, std::size_t size);
