#include "mesh_test_support.h"

#include "mesh/DropRouting.h"

namespace {

using DropRoutingTest = MeshTest;

struct Drop {
    std::int32_t x, y;
    DropContent content;
    int slot;
};

} // namespace

TEST(RouteDrop, TheQuarterUnderThePointerDecides) {
    // 1024 x 768: the centre lines x = 512 and y = 384 belong to the right
    // (texture) and bottom (slot 1) halves.
    const Drop drops[] = {
        {0, 0, DropContent::Mesh, 0},
        {511, 383, DropContent::Mesh, 0},
        {512, 0, DropContent::TextureSet, 0},
        {1023, 383, DropContent::TextureSet, 0},
        {0, 384, DropContent::Mesh, 1},
        {511, 767, DropContent::Mesh, 1},
        {512, 384, DropContent::TextureSet, 1},
        {1023, 767, DropContent::TextureSet, 1},
        // Outside the client area: the nearest quarter.
        {-5, -5, DropContent::Mesh, 0},
        {2000, 2000, DropContent::TextureSet, 1},
    };
    for (const Drop& drop : drops) {
        DropTarget target = RouteDrop(drop.x, drop.y, 1024, 768);
        EXPECT_EQ(target.content, drop.content) << drop.x << ", " << drop.y;
        EXPECT_EQ(target.slot, drop.slot) << drop.x << ", " << drop.y;
    }
    // Odd sizes halve downwards: 1023 / 2 = 511 is already the right half.
    EXPECT_EQ(RouteDrop(511, 0, 1023, 767).content, DropContent::TextureSet);
    EXPECT_EQ(RouteDrop(0, 383, 1023, 767).slot, 1);
    EXPECT_EQ(RouteDrop(510, 382, 1023, 767).content, DropContent::Mesh);
    EXPECT_EQ(RouteDrop(510, 382, 1023, 767).slot, 0);
}

TEST_F(DropRoutingTest, FilesDroppedTogetherGoToOneSlotAndTheLastStays) {
    // Meshes told apart by their material counts, textures by their widths.
    std::vector<ShadingVertex> triangle = {FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1),
                                           FlatVertex(0, 1, 0, 0)};
    WriteXFile("drop/one.x", triangle, {0, 2, 1}, {0}, {{1, nullptr}});
    WriteTwoQuadFile("drop/two.x", nullptr, nullptr);
    WriteTexture("drop/first.png", 5);
    WriteTexture("drop/last.png", 6);
    for (int role = 0; role < kTextureRoles; ++role)
        WriteTexture(kTextureSetFallbacks[role], 1);

    MeshObj meshes[kContentSlots];
    IDirect3DTexture9* textures[kContentSlots][kTextureRoles] = {};
    DropTarget bottomLeft = RouteDrop(100, 700, 1024, 768);
    for (const char* path : {"drop/two.x", "drop/one.x"})
        EXPECT_TRUE(LoadDroppedFile(device, path, bottomLeft, meshes, textures));
    EXPECT_EQ(meshes[0].mesh, nullptr);
    EXPECT_EQ(meshes[1].materialCount, 1u);

    DropTarget topRight = RouteDrop(900, 10, 1024, 768);
    for (const char* path : {"drop/first.png", "drop/last.png"})
        EXPECT_TRUE(LoadDroppedFile(device, path, topRight, meshes, textures));
    EXPECT_EQ(TextureWidth(textures[0][kDiffuse]), 6u);
    EXPECT_EQ(TextureWidth(textures[0][kNormalMap]), 1u);
    EXPECT_EQ(textures[1][kDiffuse], nullptr);

    // A file that cannot be read still empties the slot it was dropped on.
    EXPECT_FALSE(LoadDroppedFile(device, "drop/none.x", bottomLeft, meshes, textures));
    EXPECT_EQ(meshes[1].mesh, nullptr);
    EXPECT_FALSE(
        LoadDroppedFile(device, "drop/one.x", DropTarget{DropContent::Mesh, 2}, meshes, textures));

    for (auto& set : textures)
        for (IDirect3DTexture9*& texture : set)
            if (texture)
                texture->Release();
}
