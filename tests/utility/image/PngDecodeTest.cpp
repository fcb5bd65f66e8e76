// Every PNG colour type and bit depth comes out as the same 8-bit BGRA.
#include "image_test_files.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

struct PngCase {
    PngColorType type;
    int depth;
    bool interlaced;
};

// A stored sample: anything the depth holds, except that 16-bit samples are
// 8-bit values times 257, which the decoder must bring back exactly.
unsigned Sample(UINT x, UINT y, int channel, int depth) {
    unsigned value = x * 7 + y * 13 + unsigned(channel) * 5 + 1;
    return depth == 16 ? (value & 0xff) * 257 : value & ((1u << depth) - 1);
}

// What an 8-bit channel becomes: low depths are stretched to full range.
std::uint8_t ToByte(unsigned sample, int depth) {
    return depth == 16 ? std::uint8_t(sample / 257)
                       : std::uint8_t(sample * 255 / ((1u << depth) - 1));
}

// Samples packed high bit first, rows starting on a byte.
class RowPacker {
public:
    explicit RowPacker(int depth) : depth(depth) {}
    void Put(unsigned sample) {
        if (depth == 16) {
            bytes.push_back(std::uint8_t(sample >> 8));
            bytes.push_back(std::uint8_t(sample));
            return;
        }
        if (bitsUsed % 8 == 0)
            bytes.push_back(0);
        bytes.back() |= std::uint8_t(sample << (8 - depth - bitsUsed % 8));
        bitsUsed += depth;
    }
    void EndRow() { bitsUsed = 0; }
    Bytes bytes;

private:
    int depth;
    int bitsUsed = 0;
};

constexpr UINT kWidth = 9, kHeight = 5;

// A palette of as many entries as the depth allows, the first three of them
// (or both, at one bit) transparent to different degrees.
PngLayout LayoutFor(const PngCase& test) {
    PngLayout layout;
    layout.width = kWidth;
    layout.height = kHeight;
    layout.colorType = test.type;
    layout.bitDepth = test.depth;
    layout.interlaced = test.interlaced;
    if (test.type == PngColorType::Palette) {
        for (unsigned i = 0; i < (1u << test.depth); ++i)
            layout.palette.insert(layout.palette.end(), {std::uint8_t(i * 3), std::uint8_t(255 - i),
                                                         std::uint8_t(i * 7 + 1)});
        layout.paletteAlpha = {0, 128, 200};
        layout.paletteAlpha.resize(std::min<std::size_t>(3, layout.palette.size() / 3));
    }
    return layout;
}

std::array<std::uint8_t, 4> ExpectedPixel(const PngLayout& layout, UINT x, UINT y) {
    int depth = layout.bitDepth;
    auto channel = [&](int c) { return ToByte(Sample(x, y, c, depth), depth); };
    switch (layout.colorType) {
    case PngColorType::Gray:
        return {channel(0), channel(0), channel(0), 255};
    case PngColorType::GrayAlpha:
        return {channel(0), channel(0), channel(0), channel(1)};
    case PngColorType::Rgb:
        return {channel(2), channel(1), channel(0), 255};
    case PngColorType::Rgba:
        return {channel(2), channel(1), channel(0), channel(3)};
    case PngColorType::Palette:
        break;
    }
    unsigned index = Sample(x, y, 0, depth);
    const std::uint8_t* rgb = &layout.palette[3 * index];
    std::uint8_t alpha = index < layout.paletteAlpha.size() ? layout.paletteAlpha[index] : 255;
    return {rgb[2], rgb[1], rgb[0], alpha};
}

class PngDecodeTest : public ::testing::TestWithParam<PngCase> {};

} // namespace

TEST_P(PngDecodeTest, DecodesToTheStoredPixels) {
    PngLayout layout = LayoutFor(GetParam());
    RowPacker rows(layout.bitDepth);
    for (UINT y = 0; y < kHeight; ++y, rows.EndRow()) {
        for (UINT x = 0; x < kWidth; ++x) {
            for (int c = 0; c < PngChannels(layout.colorType); ++c)
                rows.Put(Sample(x, y, c, layout.bitDepth));
        }
    }
    Bytes file;
    ASSERT_TRUE(EncodePngRows(layout, rows.bytes, file));
    ASSERT_EQ(DetectImageFileFormat(file.data(), file.size()), ImageFileFormat::Png);

    Image image;
    ASSERT_EQ(DecodeImageFile(file.data(), file.size(), image), D3D_OK);
    ASSERT_EQ(image.width, kWidth);
    ASSERT_EQ(image.height, kHeight);
    ASSERT_FALSE(image.IsFloat());
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            auto expected = ExpectedPixel(layout, x, y);
            const std::uint8_t* pixel = &image.bgra[(y * kWidth + x) * 4];
            ASSERT_EQ(std::memcmp(pixel, expected.data(), 4), 0) << "pixel " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, PngDecodeTest,
    ::testing::Values(
        PngCase{PngColorType::Gray, 1, false}, PngCase{PngColorType::Gray, 2, false},
        PngCase{PngColorType::Gray, 4, false}, PngCase{PngColorType::Gray, 8, false},
        PngCase{PngColorType::Gray, 16, false}, PngCase{PngColorType::GrayAlpha, 8, false},
        PngCase{PngColorType::GrayAlpha, 16, false}, PngCase{PngColorType::Rgb, 8, false},
        PngCase{PngColorType::Rgb, 16, false}, PngCase{PngColorType::Rgba, 8, false},
        PngCase{PngColorType::Rgba, 16, false}, PngCase{PngColorType::Palette, 1, false},
        PngCase{PngColorType::Palette, 2, false}, PngCase{PngColorType::Palette, 4, false},
        PngCase{PngColorType::Palette, 8, false}, PngCase{PngColorType::Gray, 2, true},
        PngCase{PngColorType::Rgba, 16, true}, PngCase{PngColorType::Palette, 4, true}));

TEST(PngWriterTest, RefusesWhatPngCannotStore) {
    PngLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.colorType = PngColorType::Rgb;
    layout.bitDepth = 4; // RGB needs 8 or 16 bits
    Bytes out;
    EXPECT_FALSE(EncodePngRows(layout, Bytes(PngRowBytes(layout) * 2), out));
    EXPECT_TRUE(out.empty());
    layout.bitDepth = 8;
    EXPECT_FALSE(EncodePngRows(layout, Bytes(5), out)) << "rows of the wrong size";
    EXPECT_TRUE(EncodePngRows(layout, Bytes(PngRowBytes(layout) * 2), out));
}
