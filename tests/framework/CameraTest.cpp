#include "tests/framework/TemplateFixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

class CameraTest : public TemplateFixture {
protected:
    void SetUp() override {
        TemplateFixture::SetUp();
        app.InitCamera(1.5707964f, 0.1f, 1000.0f);
        SetCursor(500, 400);
        app.UpdateCamera(); // the first update only sets the anchor
        scripted.calls.clear();
        device->calls.clear();
    }

    // Places the cursor in client pixels, as the frame snapshot would see it.
    void SetCursor(int x, int y) {
        inputState.mouseX = x;
        inputState.mouseY = y;
    }
    void Hold(int vk, bool down) { inputState.keys[vk] = down ? 0x80 : 0; }

    bool CursorMoved() const {
        return std::any_of(scripted.calls.begin(), scripted.calls.end(),
                           [](const std::string& c) { return c.rfind("SetCursorPos", 0) == 0; });
    }
};

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-4f);
    EXPECT_NEAR(v.y, y, 1e-4f);
    EXPECT_NEAR(v.z, z, 1e-4f);
}

} // namespace

TEST_F(CameraTest, StartsFromTheViewersPoseAndSquarePixelProjection) {
    EXPECT_EQ(app.moveSpeed, 0.25f);
    EXPECT_NEAR(app.rotateSpeed, 0.0078540f, 1e-7f);
    EXPECT_EQ(app.orbitDistance, 100.0f);
    ExpectVector(app.camPos, 0, 0, -100);
    ExpectVector(app.camDir, 0, 0, 1);
    ExpectVector(app.camUp, 0, 1, 0);
    EXPECT_NEAR(app.projMatrix._11, 1.0f, 1e-6f);
    EXPECT_NEAR(app.projMatrix._22, 4.0f / 3.0f, 1e-6f);
    EXPECT_NEAR(app.projMatrix._33, 1000.0f / 999.9f, 1e-6f);
    EXPECT_EQ(app.projMatrix._34, 1.0f);
    EXPECT_NEAR(app.projMatrix._43, -0.1f * 1000.0f / 999.9f, 1e-6f);
    D3DMATRIX onDevice;
    device->GetTransform(D3DTS_PROJECTION, &onDevice);
    EXPECT_EQ(std::memcmp(&onDevice, &app.projMatrix, sizeof onDevice), 0);
}

TEST_F(CameraTest, TheFirstUpdateMovesNothingAndSetsTheView) {
    ForgetDragAnchor();
    SetCursor(37, 99);
    app.UpdateCamera();
    ExpectVector(app.camPos, 0, 0, -100);
    ExpectVector(app.camDir, 0, 0, 1);
    auto views = device->Calls("SetTransform");
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0]->args[0], double(D3DTS_VIEW));
    // Looking along +z from (0, 0, -100): the view moves the eye to the origin.
    EXPECT_NEAR(app.viewMatrix._43, 100.0f, 1e-4f);
    EXPECT_NEAR(app.viewMatrix._11, 1.0f, 1e-6f);
    EXPECT_FALSE(CursorMoved());
}

TEST_F(CameraTest, RightDragPansSidewaysAndAlongTheView) {
    Hold(VK_RBUTTON, true);
    SetCursor(510, 400);
    app.UpdateCamera();
    ExpectVector(app.camPos, 2.5f, 0, -100);
    // The cursor goes back to where the drag began, in screen coordinates.
    EXPECT_EQ(inputState.mouseX, 500);
    EXPECT_EQ(scripted.calls.back(), "SetCursorPos 543 466");
    SetCursor(500, 404);
    app.UpdateCamera();
    ExpectVector(app.camPos, 2.5f, 0, -101);
    Hold(VK_LBUTTON, true); // with the left button: up and down instead
    SetCursor(500, 404);
    app.UpdateCamera();
    ExpectVector(app.camPos, 2.5f, -1, -101);
}

TEST_F(CameraTest, LeftDragLooksAroundAndThePitchStopsShortOfThePole) {
    Hold(VK_LBUTTON, true);
    SetCursor(500, 200); // 200 pixels up
    app.UpdateCamera();
    EXPECT_FLOAT_EQ(app.camDir.y, std::sin(1.569051f));
    SetCursor(500, 100);
    app.UpdateCamera();
    EXPECT_FLOAT_EQ(app.camDir.y, std::sin(1.569051f));
    EXPECT_GT(app.camDir.z, 0.0f); // never flipped over
    ExpectVector(app.camPos, 0, 0, -100);
    // A drag 100 pixels to the left turns the yaw up by 100 steps.
    Hold(VK_LBUTTON, true);
    ForgetDragAnchor();
    app.camDir = D3DXVECTOR3(0, 0, 1);
    SetCursor(0, 0);
    app.UpdateCamera();
    SetCursor(-100, 0);
    app.UpdateCamera();
    float yaw = std::atan2(app.camDir.z, app.camDir.x);
    EXPECT_NEAR(yaw, 1.5707964f + 100 * app.rotateSpeed, 1e-5f);
}

TEST_F(CameraTest, RightAndMiddleButtonsPanThenOrbitFromTheSameMotion) {
    Hold(VK_RBUTTON, true);
    Hold(VK_MBUTTON, true);
    SetCursor(510, 400);
    app.UpdateCamera();
    // Pan first: the eye moves to (2.5, 0, -100); then orbit 10 pixels about
    // the point 100 ahead of it.
    D3DXVECTOR3 target(2.5f, 0, 0);
    float yaw = 1.5707964f - 10 * app.rotateSpeed;
    D3DXVECTOR3 dir(std::cos(yaw), 0, std::sin(yaw));
    ExpectVector(app.camDir, dir.x, dir.y, dir.z);
    D3DXVECTOR3 eye = target - dir * 100.0f;
    ExpectVector(app.camPos, eye.x, eye.y, eye.z);
    D3DXVECTOR3 ahead = app.camPos + app.camDir * app.orbitDistance;
    ExpectVector(ahead, 2.5f, 0, 0);
}

TEST_F(CameraTest, TheWheelDolliesATenthOfTheOrbitDistanceANotch) {
    inputState.wheelSteps = 1;
    app.UpdateCamera();
    EXPECT_FLOAT_EQ(app.orbitDistance, 90.0f);
    ExpectVector(app.camPos, 0, 0, -90);
    inputState.wheelSteps = -1;
    app.UpdateCamera();
    EXPECT_FLOAT_EQ(app.orbitDistance, 99.0f);
    app.orbitDistance = 100.0f;
    app.camPos = D3DXVECTOR3(0, 0, -100);
    inputState.wheelSteps = -1;
    app.UpdateCamera();
    EXPECT_FLOAT_EQ(app.orbitDistance, 110.0f);
    ExpectVector(app.camPos, 0, 0, -110);
    app.orbitDistance = 100.0f;
    inputState.wheelSteps = 10;
    app.UpdateCamera();
    EXPECT_FLOAT_EQ(app.orbitDistance, 0.0f);
    inputState.wheelSteps = 11;
    app.orbitDistance = 100.0f;
    app.UpdateCamera();
    EXPECT_LT(app.orbitDistance, 0.0f); // the eye passes through the orbit point
    EXPECT_FALSE(CursorMoved());
}

TEST_F(CameraTest, WithoutAButtonTheCursorIsNeverMoved) {
    for (int i = 0; i < 5; ++i) {
        SetCursor(500 + 17 * i, 400 - 9 * i);
        app.UpdateCamera();
    }
    EXPECT_FALSE(CursorMoved());
    ExpectVector(app.camPos, 0, 0, -100);
    ExpectVector(app.camDir, 0, 0, 1);
}
