#include "tests/support/RecordingDeviceFixture.h"

#include "platform/d3d9/com.h"

void RecordingDeviceFixture::SetUp() {
    startObjects = LiveDirect3DObjects();
    root = new RecordingDirect3D9;
    ASSERT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, behavior, &params, &device), D3D_OK);
    recording = root->lastDevice;
}

void RecordingDeviceFixture::TearDown() {
    ReleaseRef(device);
    ReleaseRef(root);
    EXPECT_EQ(LiveDirect3DObjects(), startObjects);
}
