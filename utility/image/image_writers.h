// Image files written from memory, for the tools that make the default data
// and for tests that need files of every kind.
#pragma once

#include "utility/image/image.h"

// Colour types as PNG numbers them.
enum class PngColorType : int { Gray = 0, Rgb = 2, Palette = 3, GrayAlpha = 4, Rgba = 6 };

// A PNG file as it will be stored: rows packed as PNG keeps them (samples
// below 8 bits packed from the high bit, 16-bit samples big-endian).
struct PngLayout {
    UINT width = 0;
    UINT height = 0;
    PngColorType colorType = PngColorType::Rgba;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::uint8_t> palette;      // RGB triples, for palette images
    std::vector<std::uint8_t> paletteAlpha; // tRNS: alpha of the first entries
};

// Samples per pixel: a palette index counts as one.
int PngChannels(PngColorType type);
// Bytes of one packed row of `layout`.
std::size_t PngRowBytes(const PngLayout& layout);

// `rows` holds height rows of PngRowBytes each, top-down. False for a
// combination PNG does not allow, rows of the wrong size, or no memory.
bool EncodePngRows(const PngLayout& layout, const std::vector<std::uint8_t>& rows,
                   std::vector<std::uint8_t>& out);
// An 8-bit image as an 8-bit RGBA PNG.
bool EncodePng(const Image& image, std::vector<std::uint8_t>& out);

struct JpegOptions {
    int quality = 90;
    bool progressive = false;
    bool grayscale = false; // one luminance channel
};

// An 8-bit image as a JFIF file; alpha is dropped.
bool EncodeJpeg(const Image& image, const JpegOptions& options, std::vector<std::uint8_t>& out);
