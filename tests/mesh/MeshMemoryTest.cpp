// Memory that runs out while a model loads fails the load with the reason
// "out of memory", leaving nothing behind, and never ends the process.
#include "allocation_limit.h"
#include "mesh_test_support.h"

#include "framework/KvDX9.h"
#include "mesh/MaterialMaps.h"
#include "mesh/MeshSlot.h"
#include "utility/core/load_report.h"

namespace {

using MeshMemoryTest = MeshTest;

// A texture of 8192 x 1 pixels takes 32 KiB, its file 24 KiB; nothing else
// a load of two quads allocates comes near the limit.
constexpr UINT kTextureWidth = 8192;
constexpr std::size_t kLimit = 16 << 10;

} // namespace

TEST_F(MeshMemoryTest, RunningOutWhileTheTexturesDecodeFailsThePreparation) {
    WriteTwoQuadFile("quad.x", "big.bmp", nullptr);
    WriteTexture("big.bmp", kTextureWidth);
    PreparedMesh prepared;
    ClearLoadFailure();
    LimitAllocations(kLimit);
    const bool ready = PrepareMeshSlot("quad.x", kTextureWidth, kTextureWidth, prepared);
    LiftAllocationLimit();
    EXPECT_FALSE(ready);
    EXPECT_STREQ(LoadFailure(), "out of memory");
    EXPECT_EQ(prepared.mesh, nullptr);
}

TEST_F(MeshMemoryTest, RunningOutWhileTheDeviceObjectsAreMadeEmptiesTheSlot) {
    WriteTwoQuadFile("quad.x", "big.bmp", "big.bmp");
    WriteTexture("big.bmp", kTextureWidth);
    PreparedMesh prepared;
    ASSERT_TRUE(PrepareMeshSlot("quad.x", kTextureWidth, kTextureWidth, prepared));
    const long before = LiveDirect3DObjects();
    MeshObj slot;
    ClearLoadFailure();
    LimitAllocations(kLimit);
    const bool installed = InstallMeshSlot(device, slot, prepared);
    LiftAllocationLimit();
    EXPECT_FALSE(installed);
    EXPECT_EQ(slot.mesh, nullptr);
    EXPECT_EQ(MeshSlotFailure(slot), "out of memory");
    EXPECT_EQ(LiveDirect3DObjects(), before);
}

TEST_F(MeshMemoryTest, RunningOutWhileTheMaterialMapsAreMadeLeavesNone) {
    WriteTwoQuadFile("quad.x", "big.bmp", nullptr);
    WriteTexture("big.bmp", kTextureWidth);
    MeshObj slot;
    ASSERT_TRUE(LoadMeshSlot(device, slot, "quad.x"));
    const long before = LiveDirect3DObjects();
    MaterialMaps maps;
    LimitAllocations(kLimit);
    const bool made = maps.Create(sharedDevice, slot); // the tinted copy runs out
    LiftAllocationLimit();
    EXPECT_FALSE(made);
    EXPECT_EQ(maps.Count(), 0u);
    EXPECT_EQ(LiveDirect3DObjects(), before);
}
