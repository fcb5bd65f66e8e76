// Uncompressed DDS files are read by their channel masks: every common RGB,
// luminance and alpha layout, each from a tiny file made by hand.
#include "image_test_files.h"

#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"

#include <array>
#include <string>

namespace {

using Bgra = std::array<std::uint8_t, 4>;

constexpr std::uint32_t kRgb = 0x40, kAlphaPixels = 0x1, kAlphaOnly = 0x2, kLuminance = 0x20000;

struct DdsCase {
    const char* name;
    DdsMasks masks;
    Bytes pixels; // two pixels, as the file stores them
    Bgra first, second;
};

// Two pixels of each layout; channel values chosen so that a swapped or
// shifted channel, or a missing scale to 8 bits, shows.
std::vector<DdsCase> Cases() {
    return {
        {"A8R8G8B8",
         {kRgb | kAlphaPixels, 32, 0xff0000, 0xff00, 0xff, 0xff000000},
         {0x10, 0x20, 0x30, 0x40, 0xa0, 0xb0, 0xc0, 0xd0},
         {0x10, 0x20, 0x30, 0x40},
         {0xa0, 0xb0, 0xc0, 0xd0}},
        // The alpha mask is there, but without the alpha flag it is unused.
        {"X8R8G8B8",
         {kRgb, 32, 0xff0000, 0xff00, 0xff, 0xff000000},
         {0x10, 0x20, 0x30, 0x40, 0xa0, 0xb0, 0xc0, 0xd0},
         {0x10, 0x20, 0x30, 0xff},
         {0xa0, 0xb0, 0xc0, 0xff}},
        {"A8B8G8R8",
         {kRgb | kAlphaPixels, 32, 0xff, 0xff00, 0xff0000, 0xff000000},
         {0x10, 0x20, 0x30, 0x40, 0xa0, 0xb0, 0xc0, 0xd0},
         {0x30, 0x20, 0x10, 0x40},
         {0xc0, 0xb0, 0xa0, 0xd0}},
        {"X8B8G8R8",
         {kRgb, 32, 0xff, 0xff00, 0xff0000, 0},
         {0x10, 0x20, 0x30, 0x40, 0xa0, 0xb0, 0xc0, 0xd0},
         {0x30, 0x20, 0x10, 0xff},
         {0xc0, 0xb0, 0xa0, 0xff}},
        {"R8G8B8",
         {kRgb, 24, 0xff0000, 0xff00, 0xff, 0},
         {0x10, 0x20, 0x30, 0xa0, 0xb0, 0xc0},
         {0x10, 0x20, 0x30, 0xff},
         {0xa0, 0xb0, 0xc0, 0xff}},
        // 0xf81f: red 31, green 0, blue 31; 0x07e0: green 63; 0x0821: 1, 1, 1.
        {"R5G6B5",
         {kRgb, 16, 0xf800, 0x07e0, 0x001f, 0},
         {0x1f, 0xf8, 0x21, 0x08},
         {255, 0, 255, 255},
         {8, 4, 8, 255}},
        // 0xfc00: the top bit and red 31; 0x0210: green 16, blue 16.
        {"X1R5G5B5",
         {kRgb, 16, 0x7c00, 0x03e0, 0x001f, 0},
         {0x00, 0xfc, 0x10, 0x02},
         {0, 0, 255, 255},
         {132, 132, 0, 255}},
        // 0x7c00: red 31, alpha 0; 0x8210: alpha 1, green 16, blue 16.
        {"A1R5G5B5",
         {kRgb | kAlphaPixels, 16, 0x7c00, 0x03e0, 0x001f, 0x8000},
         {0x00, 0x7c, 0x10, 0x82},
         {0, 0, 255, 0},
         {132, 132, 0, 255}},
        // 0x8f3c: alpha 8, red 15, green 3, blue 12.
        {"A4R4G4B4",
         {kRgb | kAlphaPixels, 16, 0x0f00, 0x00f0, 0x000f, 0xf000},
         {0x3c, 0x8f, 0x00, 0xf0},
         {204, 51, 255, 136},
         {0, 0, 0, 255}},
        {"X4R4G4B4",
         {kRgb, 16, 0x0f00, 0x00f0, 0x000f, 0},
         {0x3c, 0x8f, 0x00, 0xf0},
         {204, 51, 255, 255},
         {0, 0, 0, 255}},
        {"L8",
         {kLuminance, 8, 0xff, 0, 0, 0},
         {0x00, 0x9a},
         {0, 0, 0, 255},
         {0x9a, 0x9a, 0x9a, 255}},
        {"A8L8",
         {kLuminance | kAlphaPixels, 16, 0xff, 0, 0, 0xff00},
         {0x9a, 0x40, 0x12, 0xff},
         {0x9a, 0x9a, 0x9a, 0x40},
         {0x12, 0x12, 0x12, 0xff}},
        // 0x5c: alpha 5, luminance 12.
        {"A4L4",
         {kLuminance | kAlphaPixels, 8, 0x0f, 0, 0, 0xf0},
         {0x5c, 0xf0},
         {204, 204, 204, 85},
         {0, 0, 0, 255}},
        {"A8", {kAlphaOnly, 8, 0, 0, 0, 0xff}, {0x33, 0xee}, {0, 0, 0, 0x33}, {0, 0, 0, 0xee}},
        // 10-bit channels are read by their top 8 bits: red 0x3ff, green
        // 0x200, blue 0x004, alpha 3 in the first pixel.
        {"A2R10G10B10",
         {kRgb | kAlphaPixels, 32, 0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000},
         {0x04, 0x00, 0xf8, 0xff, 0, 0, 0, 0},
         {1, 128, 255, 255},
         {0, 0, 0, 0}},
    };
}

} // namespace

TEST(DdsUncompressedTest, EveryLayoutGivesItsPixels) {
    for (const DdsCase& test : Cases()) {
        Bytes file = DdsFile(2, 1, test.masks, test.pixels);
        Image image;
        ASSERT_EQ(DecodeImageFile(file.data(), file.size(), image), D3D_OK) << test.name;
        ASSERT_EQ(image.width, 2u);
        ASSERT_EQ(image.height, 1u);
        EXPECT_EQ((Bgra{image.bgra[0], image.bgra[1], image.bgra[2], image.bgra[3]}), test.first)
            << test.name;
        EXPECT_EQ((Bgra{image.bgra[4], image.bgra[5], image.bgra[6], image.bgra[7]}), test.second)
            << test.name;
    }
}

TEST(DdsUncompressedTest, RowsOfOddWidthArePackedWithoutPadding) {
    // 3 x 2 pixels of 24 bits: 9 bytes a row, no padding to four.
    Bytes pixels;
    for (std::uint8_t i = 0; i < 6; ++i)
        pixels.insert(pixels.end(),
                      {std::uint8_t(i * 10), std::uint8_t(i * 10 + 1), std::uint8_t(i * 10 + 2)});
    Bytes file = DdsFile(3, 2, DdsMasks{kRgb, 24, 0xff0000, 0xff00, 0xff, 0}, pixels);
    Image image;
    ASSERT_EQ(DecodeImageFile(file.data(), file.size(), image), D3D_OK);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(image.bgra[4 * i], i * 10) << i;
        EXPECT_EQ(image.bgra[4 * i + 2], i * 10 + 2) << i;
    }
    Bytes cut(file.begin(), file.end() - 1);
    EXPECT_EQ(DecodeImageFile(cut.data(), cut.size(), image), D3DXERR_INVALIDDATA);
}

TEST(DdsUncompressedTest, LayoutsThatCannotBeReadAreRefusedWithAReason) {
    const std::pair<DdsMasks, const char*> refused[] = {
        {{kRgb, 12, 0xf00, 0x0f0, 0x00f, 0}, "DDS: unsupported pixel format (12 bits, flags 0x40)"},
        {{kRgb, 16, 0xf800, 0, 0x001f, 0}, "DDS: unsupported pixel format (16 bits, flags 0x40)"},
        {{kRgb, 16, 0xf00f, 0x0ff0, 0x0001, 0}, "DDS: broken channel masks"},   // split mask
        {{kRgb, 16, 0x1f0000, 0x07e0, 0x001f, 0}, "DDS: broken channel masks"}, // past 16 bits
        {{0, 32, 0, 0, 0, 0}, "DDS: unsupported pixel format (32 bits, flags 0x0)"},
    };
    for (const auto& [masks, reason] : refused) {
        Bytes file = DdsFile(1, 1, masks, Bytes(4, 0));
        Image image;
        ClearLoadFailure();
        EXPECT_EQ(DecodeImageFile(file.data(), file.size(), image), D3DXERR_INVALIDDATA) << reason;
        EXPECT_STREQ(LoadFailure(), reason);
    }
    ClearLoadFailure();
}
