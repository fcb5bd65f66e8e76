// The textures of a model's materials: a file named by many materials is
// decoded once and backs one texture, what is not found is named once, and
// a load's memory budget turns the textures past it into material colours
// with one note a file.
#include "mesh_test_support.h"

#include "mesh/MaterialMaps.h"
#include "mesh/MeshSlot.h"

#include <vector>

namespace {

using MaterialTexturesTest = MeshTest;

constexpr std::size_t kNone = MaterialTextures::kNoTexture;

// A width x 1 texture with its mip chain: 2 x width - 1 pixels of 4 bytes.
constexpr std::size_t kBigTextureBytes = (2 * 4096 - 1) * 4;

std::string Note(const std::string& line) {
    return std::string(program_invocation_short_name) + ": " + line + "\n";
}

} // namespace

TEST_F(MaterialTexturesTest, MaterialsNamingOneFileShareOneImageAndOneTexture) {
    // Two spellings of one file, as models written on Windows have them.
    WriteTwoQuadFile("quad.x", "tex.bmp", "TEX.BMP");
    WriteTexture("tex.bmp", 5);
    PreparedMesh prepared;
    ASSERT_TRUE(PrepareMeshSlot("quad.x", 64, 64, prepared));
    EXPECT_EQ(prepared.textures.images.size(), 1u);
    EXPECT_EQ(prepared.textures.imageOf, (std::vector<std::size_t>{0, 0}));

    const long before = LiveDirect3DObjects();
    recording->calls.clear();
    MeshObj slot;
    ASSERT_TRUE(InstallMeshSlot(device, slot, prepared));
    EXPECT_EQ(recording->Calls("CreateTexture").size(), 1u);
    EXPECT_EQ(TextureWidth(slot.materialTextures[0]), 5u);
    EXPECT_EQ(slot.materialTextures[0], slot.materialTextures[1]);
    slot.Release();
    EXPECT_EQ(LiveDirect3DObjects(), before);
}

TEST_F(MaterialTexturesTest, AFileThatIsNotThereIsNamedOnceForAllItsMaterials) {
    WriteTwoQuadFile("quad.x", "gone.bmp", "gone.bmp");
    PreparedMesh prepared;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(PrepareMeshSlot("quad.x", 64, 64, prepared));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              Note("gone.bmp: not found; the material has no texture"));
    EXPECT_TRUE(prepared.textures.images.empty());
    EXPECT_EQ(prepared.textures.imageOf, (std::vector<std::size_t>{kNone, kNone}));
}

TEST_F(MaterialTexturesTest, TexturesPastTheBudgetFallBackToTheirColoursWithANote) {
    WriteTwoQuadFile("quad.x", "small.bmp", "big.bmp");
    WriteTexture("small.bmp", 4);
    WriteTexture("big.bmp", 4096);
    PreparedMesh prepared;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(PrepareMeshSlot("quad.x", 8192, 8192, prepared, kBigTextureBytes / 2));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              Note("big.bmp: over the memory budget of one load; materials past it show their "
                   "colours"));
    EXPECT_EQ(prepared.textures.imageOf, (std::vector<std::size_t>{0, kNone}));
    EXPECT_TRUE(prepared.textures.images[1].levels.empty()) << "not kept";

    MeshObj slot;
    ASSERT_TRUE(InstallMeshSlot(device, slot, prepared));
    EXPECT_EQ(TextureWidth(slot.materialTextures[0]), 4u);
    EXPECT_EQ(slot.materialTextures[1], nullptr);
}

TEST_F(MaterialTexturesTest, EachTintOfATextureCountsAsTheCopyTheMaterialsViewMakes) {
    // Both materials tint the one file, each in its own colour.
    WriteTwoQuadFile("quad.x", "big.bmp", "big.bmp");
    WriteTexture("big.bmp", 4096);
    struct Case {
        std::size_t budget;
        std::vector<std::size_t> imageOf;
        bool noted;
    };
    const Case cases[] = {
        {3 * kBigTextureBytes, {0, kNone}, true}, // the image and one copy
        {4 * kBigTextureBytes, {0, 0}, false},    // the image and both copies
    };
    for (const Case& c : cases) {
        PreparedMesh prepared;
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(PrepareMeshSlot("quad.x", 8192, 8192, prepared, c.budget));
        EXPECT_EQ(!::testing::internal::GetCapturedStderr().empty(), c.noted) << c.budget;
        EXPECT_EQ(prepared.textures.imageOf, c.imageOf) << c.budget;
    }
}
