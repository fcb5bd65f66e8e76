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

Bytes PngFile(const Image& image);
Bytes JpegFile(const Image& image, const JpegOptions& options);

std::uint32_t ReadBe32(const std::uint8_t* bytes);
void WriteBe32(std::uint8_t* bytes, std::uint32_t value);
void WriteLe32(std::uint8_t* bytes, std::uint32_t value);
// Recomputes the CRC of the PNG chunk starting at `offset` (its length field).
void FixPngChunkCrc(Bytes& png, std::size_t offset);
