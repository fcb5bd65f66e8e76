// Small image files of every kind, made in memory for the image tests.
#pragma once

#include "utility/image/image_writers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Every channel of every pixel differs from its neighbours, alpha included,
// so swapped channels, flipped rows or shifted columns all show.
Image PatternImage(UINT width, UINT height);
// Gentle gradients that a JPEG encoder keeps within a few levels; opaque.
Image SmoothImage(UINT width, UINT height, bool gray);

// Through stb_image_write. `channels` is 1 (grey), 3 (colour) or 4 (with
// alpha); pixels are taken from `image` accordingly.
Bytes BmpFile(const Image& image, int channels);
Bytes TgaFile(const Image& image, int channels, bool runLength);
// Float RGB pixels, three per pixel.
Bytes HdrFile(UINT width, UINT height, const std::vector<float>& rgb);

// A DDS file: the header for a four-character code (DXT1/3/5) or, with
// fourCc 0, for 32-bit pixels with the given masks, then `payload`.
Bytes DdsFile(UINT width, UINT height, std::uint32_t fourCc, const Bytes& payload,
              std::uint32_t alphaMask = 0);

// The pixel format of an uncompressed DDS file: its flags (0x1 alpha
// pixels, 0x2 alpha only, 0x40 RGB, 0x20000 luminance), bits per pixel and
// channel masks.
struct DdsMasks {
    std::uint32_t flags, bits, red, green, blue, alpha;
};
Bytes DdsFile(UINT width, UINT height, const DdsMasks& masks, const Bytes& payload);

// A TGA file written field by field, so that tests can make every kind the
// format has. `pixels` are stored as given: raw or run-length packets.
struct TgaLayout {
    std::uint8_t imageType = 2; // 1/9 colour-mapped, 2/10 true colour, 3/11 grey
    std::uint16_t width = 0, height = 0;
    std::uint8_t bitsPerPixel = 24;
    Bytes id;
    Bytes colourMap; // entries of colourMapBits each; none when empty
    std::uint8_t colourMapBits = 0;
    std::uint16_t colourMapLength = 0;
    std::uint8_t descriptor = 0; // alpha bits; 0x20 for rows top-down
};
Bytes TgaFile(const TgaLayout& layout, const Bytes& pixels);

// An 8-bit grey PNG too large to build in memory: rows are made by `grey`
// one at a time and compressed as they come.
Bytes LargeGreyPng(UINT width, UINT height, std::uint8_t (*grey)(UINT x, UINT y));

Bytes PngFile(const Image& image);
Bytes JpegFile(const Image& image, const JpegOptions& options);

struct NamedFile {
    const char* name;
    Bytes bytes;
};
// A small valid file of each format and variant the decoders read.
std::vector<NamedFile> SmallFilesOfEveryFormat();

std::uint32_t ReadBe32(const std::uint8_t* bytes);
void WriteBe32(std::uint8_t* bytes, std::uint32_t value);
void WriteLe32(std::uint8_t* bytes, std::uint32_t value);
// Recomputes the CRC of the PNG chunk starting at `offset` (its length field).
void FixPngChunkCrc(Bytes& png, std::size_t offset);
