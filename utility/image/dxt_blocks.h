// The block-compressed formats of DDS files. Each 4x4 block decodes into 16
// BGRA pixels, row by row (64 bytes).
#pragma once

#include <cstdint>

constexpr int kDxtBlockPixels = 16;

// 8 bytes: two 5:6:5 end points and 2-bit indices. When the first end point
// is not above the second, the block has three colours and transparent black.
void DecodeDxt1Block(const std::uint8_t* block, std::uint8_t* bgra);
// 16 bytes: explicit 4-bit alpha, then a four-colour DXT1 block.
void DecodeDxt3Block(const std::uint8_t* block, std::uint8_t* bgra);
// 16 bytes: two alpha end points with 3-bit indices, then a four-colour
// DXT1 block.
void DecodeDxt5Block(const std::uint8_t* block, std::uint8_t* bgra);
