// Images larger than the device takes are halved until they fit, read row by
// row through a box filter, and a load can be stopped while it reads.
#include "image_test_files.h"

#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"
#include "utility/image/image_rows.h"
#include "utility/image/texture_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// The box filter written out plainly: each target pixel is the mean of the
// source pixels from the first its area touches to the last.
Image ReferenceShrink(const Image& source, UINT width, UINT height) {
    Image target;
    EXPECT_EQ(AllocateImage(target, width, height, source.IsFloat()), D3D_OK);
    for (UINT y = 0; y < height; ++y) {
        UINT top = UINT(std::uint64_t(y) * source.height / height);
        UINT bottom = UINT((std::uint64_t(y + 1) * source.height + height - 1) / height);
        for (UINT x = 0; x < width; ++x) {
            UINT left = UINT(std::uint64_t(x) * source.width / width);
            UINT right = UINT((std::uint64_t(x + 1) * source.width + width - 1) / width);
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (UINT sy = top; sy < bottom; ++sy)
                    for (UINT sx = left; sx < right; ++sx) {
                        std::size_t i = (std::size_t(sy) * source.width + sx) * 4 + c;
                        sum += source.IsFloat() ? source.rgba[i] : source.bgra[i];
                    }
                double mean = sum / ((bottom - top) * (right - left));
                std::size_t out = (std::size_t(y) * width + x) * 4 + c;
                if (source.IsFloat())
                    target.rgba[out] = float(mean);
                else
                    target.bgra[out] = std::uint8_t(std::floor(mean + 0.5));
            }
        }
    }
    return target;
}

double LargestDifference(const Image& a, const Image& b) {
    double largest = 0;
    for (std::size_t i = 0; i < a.bgra.size(); ++i)
        largest = std::max(largest, std::abs(double(a.bgra[i]) - b.bgra[i]));
    for (std::size_t i = 0; i < a.rgba.size(); ++i)
        largest = std::max(largest, std::abs(double(a.rgba[i]) - b.rgba[i]));
    return largest;
}

// Rows handed to the writer one at a time, as a decoder does.
Image WriteRows(const Image& source, UINT width, UINT height) {
    Image out;
    ImageRowWriter writer(out);
    EXPECT_EQ(writer.Start(source.width, source.height, false, width, height), D3D_OK);
    for (UINT y = 0; y < source.height; ++y) {
        std::copy_n(&source.bgra[std::size_t(y) * source.width * 4], source.width * 4,
                    writer.BgraRow());
        EXPECT_TRUE(writer.FinishRow());
    }
    return out;
}

// Every 2 x 2 block holds base, base + 1, base + 2 and base + 3, whose mean
// rounds to base + 2.
std::uint8_t BlockBase(UINT blockX, UINT blockY) {
    return std::uint8_t((blockX * 7 + blockY * 13) % 253);
}

std::uint8_t BlockPattern(UINT x, UINT y) {
    return std::uint8_t(BlockBase(x / 2, y / 2) + (x & 1) + 2 * (y & 1));
}

} // namespace

TEST(ShrinkTest, SidesHalveTogetherUntilTheImageFits) {
    struct Case {
        UINT width, height;
        bool floatPixels;
        ImageFit fit;
        UINT expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {16384, 16384, false, {8192, 8192}, 8192, 8192},
        {512, 300, false, {8192, 8192}, 512, 300}, // fits as it is
        {9000, 1, false, {8192, 8192}, 4500, 1},   // the short side stays at one pixel
        {10000, 3, false, {8192, 8192}, 5000, 1},
        {40, 24, false, {16, 16}, 10, 6},
        {16384, 16384, false, {}, 8192, 8192},        // no device limit: the memory limit
        {8192, 8192, true, {8192, 8192}, 4096, 4096}, // float pixels take four times the memory
    };
    for (const Case& test : cases) {
        UINT width, height;
        FitImageSize(test.width, test.height, test.floatPixels, test.fit, width, height);
        EXPECT_EQ(width, test.expectedWidth) << test.width << " x " << test.height;
        EXPECT_EQ(height, test.expectedHeight) << test.width << " x " << test.height;
    }
}

TEST(ShrinkTest, RowByRowFilterMatchesThePlainBoxFilter) {
    // Exact halves, ratios that let rows overlap two targets, and one side
    // kept whole.
    const UINT sizes[][4] = {{8, 6, 4, 3}, {9, 7, 4, 3}, {17, 11, 8, 5},
                             {5, 9, 5, 2}, {7, 3, 1, 1}, {31, 29, 15, 14}};
    for (const auto& size : sizes) {
        Image source = PatternImage(size[0], size[1]);
        Image shrunk = WriteRows(source, size[2], size[3]);
        EXPECT_EQ(shrunk.bgra, ReferenceShrink(source, size[2], size[3]).bgra)
            << size[0] << " x " << size[1] << " to " << size[2] << " x " << size[3];
    }
}

TEST(ShrinkTest, EveryFormatComesOutShrunkToFit) {
    const ImageFit fit{2, 2};
    for (const NamedFile& file : SmallFilesOfEveryFormat()) {
        SCOPED_TRACE(file.name);
        Image whole, shrunk;
        ASSERT_EQ(DecodeImageFile(file.bytes.data(), file.bytes.size(), whole), D3D_OK);
        ASSERT_EQ(DecodeImageFile(file.bytes.data(), file.bytes.size(), fit, shrunk), D3D_OK);
        UINT width, height;
        FitImageSize(whole.width, whole.height, whole.IsFloat(), fit, width, height);
        ASSERT_EQ(shrunk.width, width);
        ASSERT_EQ(shrunk.height, height);
        ASSERT_EQ(shrunk.IsFloat(), whole.IsFloat());
        // JPEG shrinks in its inverse DCT, which is close to the box filter
        // but not the same.
        bool jpeg =
            DetectImageFileFormat(file.bytes.data(), file.bytes.size()) == ImageFileFormat::Jpeg;
        EXPECT_LE(LargestDifference(shrunk, ReferenceShrink(whole, width, height)), jpeg ? 8 : 0);
    }
}

TEST(ShrinkTest, APngOfSixteenThousandPixelsASideLoadsAtTheDeviceLimit) {
    Bytes png = LargeGreyPng(16384, 16384, BlockPattern);
    Image image;
    ASSERT_EQ(DecodeImageFile(png.data(), png.size(), ImageFit{8192, 8192}, image), D3D_OK);
    ASSERT_EQ(image.width, 8192u);
    ASSERT_EQ(image.height, 8192u);
    for (UINT y = 0; y < 8192; y += 1021) {
        for (UINT x = 0; x < 8192; x += 1021) {
            std::uint8_t grey = std::uint8_t(BlockBase(x, y) + 2);
            const std::uint8_t* pixel = &image.bgra[(std::size_t(y) * 8192 + x) * 4];
            ASSERT_EQ((std::array<std::uint8_t, 4>{pixel[0], pixel[1], pixel[2], pixel[3]}),
                      (std::array<std::uint8_t, 4>{grey, grey, grey, 255}))
                << x << "," << y;
        }
    }
}

TEST(ShrinkTest, TheTextureChainStartsAtTheSizeThatFits) {
    Bytes png = PngFile(PatternImage(40, 24));
    TextureImage texture;
    ASSERT_EQ(LoadTextureImageFromMemory(png.data(), png.size(), 16, 16, texture), D3D_OK);
    ASSERT_EQ(texture.levels.size(), 4u); // 10 x 6, 5 x 3, 2 x 1, 1 x 1
    EXPECT_EQ(texture.levels[0].width, 10u);
    EXPECT_EQ(texture.levels[0].height, 6u);
    EXPECT_EQ(texture.levels[0].bgra, ReferenceShrink(PatternImage(40, 24), 10, 6).bgra);
    EXPECT_EQ(texture.levels[3].width, 1u);
}

TEST(ShrinkTest, ACancelledLoadStopsWithItsReason) {
    LoadProgress progress;
    progress.cancelled = true;
    LoadProgressScope scope(&progress);
    for (const NamedFile& file : SmallFilesOfEveryFormat()) {
        ClearLoadFailure();
        Image image;
        EXPECT_EQ(DecodeImageFile(file.bytes.data(), file.bytes.size(), image), D3DXERR_INVALIDDATA)
            << file.name;
        EXPECT_STREQ(LoadFailure(), "cancelled") << file.name;
    }
    TextureImage texture;
    Bytes png = PngFile(PatternImage(4, 4));
    EXPECT_EQ(LoadTextureImageFromMemory(png.data(), png.size(), 8192, 8192, texture),
              D3DXERR_INVALIDDATA);
    EXPECT_TRUE(texture.levels.empty());
    ClearLoadFailure();
}
