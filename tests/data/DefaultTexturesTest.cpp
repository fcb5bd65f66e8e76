// The committed texture sets and fallbacks load through the texture loader
// and hold what the shading reads from them: opaque diffuse maps (the
// default states blend by alpha), unit normals with relief and heights,
// specular exponents from matte to shiny, emissive maps that are mid-grey
// (adding nothing) but for glowing parts. The fallbacks are exactly neutral.
#include "default_data_fixture.h"

#include "utility/image/image_file.h"

#include <algorithm>
#include <cmath>

namespace {

int Channel(std::uint32_t argb, int shift) {
    return int((argb >> shift) & 0xFF);
}
int Alpha(std::uint32_t c) {
    return Channel(c, 24);
}
int Red(std::uint32_t c) {
    return Channel(c, 16);
}
int Green(std::uint32_t c) {
    return Channel(c, 8);
}
int Blue(std::uint32_t c) {
    return Channel(c, 0);
}

ImageFileFormat FormatOf(const std::string& name) {
    std::vector<std::uint8_t> bytes = FileBytes(DataPath(name));
    return DetectImageFileFormat(bytes.data(), bytes.size());
}

struct TextureSetNames {
    std::string diffuse, normal, specular, emissive;
};

const TextureSetNames kSets[] = {{"tex.tex", "tex_np.tex", "tex_sa.tex", "tex_ea.tex"},
                                 {"stex.tex", "stex_np.tex", "stex_sa.tex", "stex_ea.tex"}};

} // namespace

TEST_F(DefaultDataTest, DiffuseMapsAreOpaqueJpegs) {
    for (const TextureSetNames& set : kSets) {
        SCOPED_TRACE(set.diffuse);
        EXPECT_EQ(FormatOf(set.diffuse), ImageFileFormat::Jpeg);
        TexelGrid grid;
        ASSERT_NO_FATAL_FAILURE(LoadTexture(set.diffuse, grid));
        EXPECT_EQ(grid.width, grid.height);
        EXPECT_GE(grid.width, 256u);
        EXPECT_LE(grid.width, 1024u);
        EXPECT_TRUE(std::all_of(grid.texels.begin(), grid.texels.end(),
                                [](std::uint32_t c) { return Alpha(c) == 255; }));
        // Detail: a wide spread of brightness.
        auto [darkest, brightest] = std::minmax_element(
            grid.texels.begin(), grid.texels.end(),
            [](std::uint32_t a, std::uint32_t b) { return Green(a) < Green(b); });
        EXPECT_GT(Green(*brightest) - Green(*darkest), 150);
    }
}

TEST_F(DefaultDataTest, NormalMapsHoldUnitNormalsWithReliefAndHeights) {
    for (const TextureSetNames& set : kSets) {
        SCOPED_TRACE(set.normal);
        EXPECT_EQ(FormatOf(set.normal), ImageFileFormat::Png);
        TexelGrid grid;
        ASSERT_NO_FATAL_FAILURE(LoadTexture(set.normal, grid));
        int notUnit = 0, tilted = 0, lowest = 255, highest = 0;
        for (std::uint32_t c : grid.texels) {
            float x = Red(c) / 127.5f - 1, y = Green(c) / 127.5f - 1, z = Blue(c) / 127.5f - 1;
            notUnit += std::fabs(std::sqrt(x * x + y * y + z * z) - 1) > 0.02f || z <= 0;
            tilted += z < 0.966f; // over 15 degrees
            lowest = std::min(lowest, Alpha(c));
            highest = std::max(highest, Alpha(c));
        }
        EXPECT_EQ(notUnit, 0);
        EXPECT_GT(tilted, int(grid.texels.size() / 50));
        EXPECT_LT(lowest, 115);
        EXPECT_GT(highest, 140);
    }
}

TEST_F(DefaultDataTest, SpecularMapsRangeFromMatteToShiny) {
    for (const TextureSetNames& set : kSets) {
        SCOPED_TRACE(set.specular);
        TexelGrid grid;
        ASSERT_NO_FATAL_FAILURE(LoadTexture(set.specular, grid));
        int matte = 0, shiny = 0, zero = 0;
        for (std::uint32_t c : grid.texels) {
            matte += Alpha(c) <= 24;
            shiny += Alpha(c) >= 64;
            // An exponent of 0 would light the whole lit side at full strength.
            zero += Alpha(c) == 0;
        }
        EXPECT_GT(matte, int(grid.texels.size() / 50));
        EXPECT_GT(shiny, int(grid.texels.size() / 50));
        EXPECT_EQ(zero, 0);
    }
}

TEST_F(DefaultDataTest, EmissiveMapsAreMidGreyButForGlowingParts) {
    for (const TextureSetNames& set : kSets) {
        SCOPED_TRACE(set.emissive);
        TexelGrid grid;
        ASSERT_NO_FATAL_FAILURE(LoadTexture(set.emissive, grid));
        int grey = 0, glowing = 0;
        for (std::uint32_t c : grid.texels) {
            grey += (c & 0xFFFFFF) == 0x808080;
            glowing += std::max({Red(c), Green(c), Blue(c)}) >= 230;
        }
        EXPECT_GT(grey, int(grid.texels.size() * 7 / 10));
        EXPECT_GT(glowing, 200);
    }
}

// White diffuse, the flat normal at mid height, a modest highlight (grey
// 0.25, exponent 32) and mid-grey emissive light, in every texel.
TEST_F(DefaultDataTest, FallbacksHoldExactlyTheirNeutralValues) {
    const std::pair<const char*, std::uint32_t> fallbacks[] = {{"null.tex", 0xFFFFFFFFu},
                                                               {"null_np.tex", 0x808080FFu},
                                                               {"null_sa.tex", 0x20404040u},
                                                               {"null_ea.tex", 0xFF808080u}};
    for (const auto& [name, expected] : fallbacks) {
        SCOPED_TRACE(name);
        TexelGrid grid;
        ASSERT_NO_FATAL_FAILURE(LoadTexture(name, grid));
        ASSERT_FALSE(grid.texels.empty());
        EXPECT_TRUE(std::all_of(grid.texels.begin(), grid.texels.end(),
                                [expected = expected](std::uint32_t c) { return c == expected; }));
    }
}
