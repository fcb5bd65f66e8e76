// The icon: packaging/icons never drifts from its generator, the PNG is the
// tile an icon theme expects, and the drawing smooths its edges.
#include "tools/icongen/icon_files.h"
#include "tools/icongen/icon_raster.h"
#include "utility/core/file_bytes.h"
#include "utility/image/image_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path kIconFolder = fs::path(ZQ_SOURCE_DIR) / "packaging" / "icons";

std::uint8_t AlphaAt(const Image& image, UINT x, UINT y) {
    return image.bgra[(std::size_t(y) * image.width + x) * 4 + 3];
}

} // namespace

TEST(IconGeneratorTest, CommittedIconsMatchTheirGeneratorByteForByte) {
    std::vector<IconFile> files;
    ASSERT_TRUE(MakeIconFiles(files));

    std::vector<std::string> names;
    for (const IconFile& file : files) {
        SCOPED_TRACE(file.name);
        std::vector<std::uint8_t> committed;
        ASSERT_EQ(ReadFileBytes((kIconFolder / file.name).c_str(), committed), S_OK);
        EXPECT_TRUE(committed == file.bytes)
            << "packaging/icons/" << file.name
            << " differs from its generator: run build/tools/icongen/icongen packaging/icons";
        names.push_back(file.name);
    }
    std::vector<std::string> present;
    for (const auto& entry : fs::directory_iterator(kIconFolder))
        present.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::sort(present.begin(), present.end());
    EXPECT_EQ(present, names);
}

TEST(IconGeneratorTest, PngIsAnOpaqueRoundedTileInATransparentMargin) {
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(ReadFileBytes((kIconFolder / "zelqad.png").c_str(), bytes), S_OK);
    Image image;
    ASSERT_EQ(DecodeImageFile(bytes.data(), bytes.size(), image), S_OK);
    ASSERT_EQ(image.width, kIconPngSize);
    ASSERT_EQ(image.height, kIconPngSize);

    EXPECT_EQ(AlphaAt(image, 0, 0), 0);     // margin
    EXPECT_EQ(AlphaAt(image, 255, 128), 0); // margin
    EXPECT_EQ(AlphaAt(image, 20, 20), 0);   // cut off by the rounded corner
    EXPECT_EQ(AlphaAt(image, 128, 20), 255);
    EXPECT_EQ(AlphaAt(image, 20, 128), 255);
    EXPECT_EQ(AlphaAt(image, 128, 128), 255);
}

TEST(IconGeneratorTest, EdgesAreCoveredInProportion) {
    // A square whose left edge runs through the middle of pixel column 2 and
    // whose top edge lies on a pixel boundary, in a 4-pixel image.
    const float unit = float(kIconSize) / 4.0f;
    const std::vector<IconShape> shapes{Polygon(
        {{2.5f * unit, unit}, {4 * unit, unit}, {4 * unit, 4 * unit}, {2.5f * unit, 4 * unit}},
        Solid({0xffffff}))};
    Image image;
    ASSERT_TRUE(RasterizeIcon(shapes, 4, image));
    EXPECT_EQ(AlphaAt(image, 1, 2), 0);
    EXPECT_EQ(AlphaAt(image, 2, 2), 128);
    EXPECT_EQ(AlphaAt(image, 3, 2), 255);
    EXPECT_EQ(AlphaAt(image, 3, 0), 0);
    EXPECT_EQ(image.bgra[(2 * 4 + 2) * 4], 255) << "a half-covered pixel keeps its colour";
}

TEST(IconGeneratorTest, ShapesAreTestedAsDrawn) {
    const IconShape tile = RoundedRect({0, 0}, {100, 50}, 10, Solid({0}));
    EXPECT_TRUE(IconShapeContains(tile, {50, 25}));
    EXPECT_TRUE(IconShapeContains(tile, {5, 25})); // straight side
    EXPECT_FALSE(IconShapeContains(tile, {1, 1})); // outside the corner's arc
    EXPECT_TRUE(IconShapeContains(tile, {4, 4}));  // inside it
    EXPECT_FALSE(IconShapeContains(tile, {101, 25}));

    const IconShape disc = Circle({10, 10}, 5, Solid({0}));
    EXPECT_TRUE(IconShapeContains(disc, {13, 13}));
    EXPECT_FALSE(IconShapeContains(disc, {14, 14}));

    // A concave polygon: the notch is outside.
    const IconShape notched = Polygon({{0, 0}, {10, 0}, {10, 10}, {5, 5}, {0, 10}}, Solid({0}));
    EXPECT_TRUE(IconShapeContains(notched, {5, 2}));
    EXPECT_FALSE(IconShapeContains(notched, {5, 8}));
    EXPECT_TRUE(IconShapeContains(notched, {9, 8}));
}
