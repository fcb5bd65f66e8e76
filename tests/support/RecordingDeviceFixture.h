// A recording device for tests without a GPU, with the leak check: every
// Direct3D and utility object made during a test is gone when it ends.
#pragma once

#include "platform/d3d9/recording_device.h"
#include "tests/support/PresentParameters.h"

#include <gtest/gtest.h>

class RecordingDeviceFixture : public ::testing::Test {
public:
    // Creates the device from `params` and `behavior`, which a fixture may
    // change in its constructor; `params` then holds what the device took.
    void SetUp() override;
    // Releases the device and the root, then checks that no object made
    // since SetUp is alive: a fixture releases what it holds first.
    void TearDown() override;

    D3DPRESENT_PARAMETERS params = WindowedPresentParameters(64, 48);
    DWORD behavior = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    long startObjects = 0;
    RecordingDirect3D9* root = nullptr;
    IDirect3DDevice9* device = nullptr;
    RecordingDevice* recording = nullptr;
};
