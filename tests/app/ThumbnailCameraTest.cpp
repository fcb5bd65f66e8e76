// The thumbnail's camera fit on tiny, huge and off-centre models: the
// model's projected extent fills the wanted share of the picture along its
// longer side, centred, whatever its size or place.
#include "app/ThumbnailCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// The eight corners of a box, as x, y, z floats.
std::vector<float> Box(D3DXVECTOR3 low, D3DXVECTOR3 high) {
    std::vector<float> points;
    for (int i = 0; i < 8; ++i) {
        points.push_back(i & 1 ? high.x : low.x);
        points.push_back(i & 2 ? high.y : low.y);
        points.push_back(i & 4 ? high.z : low.z);
    }
    return points;
}

// Points on a sphere, which projects to an ellipse near the picture's edge.
std::vector<float> Sphere(D3DXVECTOR3 centre, float radius) {
    std::vector<float> points;
    for (int i = 0; i <= 24; ++i) {
        float theta = float(i) / 24.0f * D3DX_PI;
        for (int j = 0; j < 48; ++j) {
            float phi = float(j) / 48.0f * 2.0f * D3DX_PI;
            points.push_back(centre.x + radius * std::sin(theta) * std::cos(phi));
            points.push_back(centre.y + radius * std::cos(theta));
            points.push_back(centre.z + radius * std::sin(theta) * std::sin(phi));
        }
    }
    return points;
}

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

void ExpectFilled(const std::vector<float>& points, const D3DXMATRIX& world, float nearZ) {
    const std::size_t count = points.size() / 3, stride = 3 * sizeof(float);
    FittedCamera camera;
    ASSERT_TRUE(FitThumbnailCamera(points.data(), count, stride, world, 1.0f, 1.0f, nearZ,
                                   kThumbnailFill, camera));
    ProjectedBounds b = ProjectPoints(points.data(), count, stride, world, camera, 1.0f, 1.0f);
    float longer = std::max(b.maxX - b.minX, b.maxY - b.minY) / 2.0f;
    EXPECT_GE(longer, 0.85f);
    EXPECT_LE(longer, 0.95f);
    EXPECT_NEAR(longer, kThumbnailFill, 1e-3f);
    EXPECT_NEAR(b.minX + b.maxX, 0.0f, 1e-3f) << "centred across";
    EXPECT_NEAR(b.minY + b.maxY, 0.0f, 1e-3f) << "centred up and down";
    // Seen from the front, a little above and to one side.
    EXPECT_GT(camera.direction.z, 0.5f);
    EXPECT_LT(camera.direction.y, 0.0f);
    EXPECT_NE(camera.direction.x, 0.0f);
}

TEST(ThumbnailCameraTest, FillsThePictureWhateverTheModelsSizeAndPlace) {
    const float nearZ = 0.1f;
    ExpectFilled(Box({-1, -1, -1}, {1, 1, 1}), Identity(), nearZ);
    ExpectFilled(Box({-1e-3f, -2e-3f, 0}, {1e-3f, 0, 5e-4f}), Identity(), 1e-6f);
    ExpectFilled(Box({-5000, 0, -100}, {5000, 20, 100}), Identity(), nearZ);
    ExpectFilled(Sphere({300, -200, 1000}, 5), Identity(), nearZ);
    ExpectFilled(Box({0, 0, 0}, {1, 30, 1}), Identity(), nearZ); // tall and thin
}

TEST(ThumbnailCameraTest, FitsTheModelAsItsMatrixMovesIt) {
    D3DXMATRIX scale, turn, move;
    D3DXMatrixScaling(&scale, 40, 40, 40);
    D3DXMatrixRotationY(&turn, 0.7f);
    D3DXMatrixTranslation(&move, 10, -30, 5);
    ExpectFilled(Box({0, 0, 0}, {3, 1, 1}), scale * turn * move, 0.1f);
}

TEST(ThumbnailCameraTest, RefusesWhatHasNoExtent) {
    FittedCamera camera;
    camera.position = D3DXVECTOR3(1, 2, 3);
    const float point[6] = {4, 5, 6, 4, 5, 6};
    EXPECT_FALSE(FitThumbnailCamera(point, 2, 3 * sizeof(float), Identity(), 1, 1, 0.1f,
                                    kThumbnailFill, camera));
    EXPECT_FALSE(FitThumbnailCamera(point, 0, 3 * sizeof(float), Identity(), 1, 1, 0.1f,
                                    kThumbnailFill, camera));
    const float broken[6] = {0, 0, 0, NAN, 1, 1};
    EXPECT_FALSE(FitThumbnailCamera(broken, 2, 3 * sizeof(float), Identity(), 1, 1, 0.1f,
                                    kThumbnailFill, camera));
    EXPECT_EQ(camera.position, D3DXVECTOR3(1, 2, 3)) << "left as it was";
}

} // namespace
