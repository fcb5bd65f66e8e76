#include "mesh_test_support.h"

#include "mesh/DropRouting.h"

namespace {

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
