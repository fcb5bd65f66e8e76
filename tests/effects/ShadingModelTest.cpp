// The processor-side shading model against the values the shading is known
// to give, so that the drawing tests compare the device with the right thing.
#include "tests/effects/scene_reference.h"

#include <gtest/gtest.h>

TEST(ShadingModelTest, WrappedSquaredDiffuseOfTheCharacterPrograms) {
    EXPECT_EQ(WrappedSquaredDiffuse(-0.4f), 0.0f); // the wrap's edge
    EXPECT_EQ(WrappedSquaredDiffuse(-0.9f), 0.0f);
    EXPECT_NEAR(WrappedSquaredDiffuse(1.0f), 1.0f, 1e-6f);
    EXPECT_NEAR(WrappedSquaredDiffuse(0.0f), (0.4f / 1.4f) * (0.4f / 1.4f), 1e-6f); // 0.082
}

TEST(ShadingModelTest, RimOnlyAtGrazingAngles) {
    EXPECT_EQ(RimLight(0.0f), 0.125f);
    EXPECT_EQ(RimLight(0.5f), 0.0f);
    EXPECT_EQ(RimLight(-0.9f), 0.0f);
    EXPECT_EQ(RimLight(-0.25f), 0.0625f);
}

TEST(ShadingModelTest, HemisphereAmbientBetweenItsTwoColours) {
    D3DXVECTOR4 above(0.1f, 0.1f, 0.2f, 1.0f), below(0.1f, 0.1f, 0.05f, 1.0f);
    EXPECT_EQ(HemisphereAmbient(1.0f, above, below), D3DXVECTOR3(0.1f, 0.1f, 0.2f));
    EXPECT_EQ(HemisphereAmbient(-1.0f, above, below), D3DXVECTOR3(0.1f, 0.1f, 0.05f));
    D3DXVECTOR3 side = HemisphereAmbient(0.0f, above, below);
    EXPECT_NEAR(side.z, 0.125f, 1e-7f);
}
