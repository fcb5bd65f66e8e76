#include "utility/image/dxt_blocks.h"

#include "utility/image/byte_order.h"

#include <cstring>

namespace {

void Expand565(std::uint16_t colour, std::uint8_t* bgra) {
    unsigned red = colour >> 11, green = (colour >> 5) & 63, blue = colour & 31;
    bgra[0] = std::uint8_t(blue << 3 | blue >> 2);
    bgra[1] = std::uint8_t(green << 2 | green >> 4);
    bgra[2] = std::uint8_t(red << 3 | red >> 2);
    bgra[3] = 0xff;
}

// (a * weightA + b * weightB) / (weightA + weightB), rounded to nearest.
std::uint8_t Blend(unsigned a, unsigned weightA, unsigned b, unsigned weightB) {
    unsigned total = weightA + weightB;
    return std::uint8_t((a * weightA + b * weightB + total / 2) / total);
}

// The colour half of every block. DXT3 and DXT5 always use four colours;
// only DXT1 may switch to three colours and transparent black.
void DecodeColours(const std::uint8_t* block, bool threeColourMode, std::uint8_t* bgra) {
    std::uint16_t first = ReadLe16(block), second = ReadLe16(block + 2);
    std::uint8_t palette[4][4];
    Expand565(first, palette[0]);
    Expand565(second, palette[1]);
    bool fourColours = !threeColourMode || first > second;
    for (int channel = 0; channel < 3; ++channel) {
        unsigned a = palette[0][channel], b = palette[1][channel];
        palette[2][channel] = fourColours ? Blend(a, 2, b, 1) : Blend(a, 1, b, 1);
        palette[3][channel] = fourColours ? Blend(a, 1, b, 2) : 0;
    }
    palette[2][3] = 0xff;
    palette[3][3] = fourColours ? 0xff : 0;
    std::uint32_t indices = ReadLe32(block + 4);
    for (int i = 0; i < kDxtBlockPixels; ++i)
        std::memcpy(bgra + 4 * i, palette[(indices >> (2 * i)) & 3], 4);
}

} // namespace

void DecodeDxt1Block(const std::uint8_t* block, std::uint8_t* bgra) {
    DecodeColours(block, true, bgra);
}

void DecodeDxt3Block(const std::uint8_t* block, std::uint8_t* bgra) {
    DecodeColours(block + 8, false, bgra);
    for (int i = 0; i < kDxtBlockPixels; ++i) {
        unsigned alpha = (block[i / 2] >> (4 * (i % 2))) & 15;
        bgra[4 * i + 3] = std::uint8_t(alpha * 17);
    }
}

void DecodeDxt5Block(const std::uint8_t* block, std::uint8_t* bgra) {
    DecodeColours(block + 8, false, bgra);
    unsigned first = block[0], second = block[1];
    std::uint8_t palette[8] = {std::uint8_t(first), std::uint8_t(second)};
    if (first > second) {
        for (unsigned i = 1; i < 7; ++i)
            palette[i + 1] = Blend(first, 7 - i, second, i);
    } else {
        for (unsigned i = 1; i < 5; ++i)
            palette[i + 1] = Blend(first, 5 - i, second, i);
        palette[6] = 0;
        palette[7] = 0xff;
    }
    std::uint64_t indices = 0;
    for (int i = 0; i < 6; ++i)
        indices |= std::uint64_t(block[2 + i]) << (8 * i);
    for (int i = 0; i < kDxtBlockPixels; ++i)
        bgra[4 * i + 3] = palette[(indices >> (3 * i)) & 7];
}
