// A recording device for effect tests, with the leak check: every Direct3D
// and utility object made during a test is gone when it ends.
#pragma once

#include "platform/d3d9/recording_device.h"
#include "utility/d3dx9effect.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class RecordingFixture : public ::testing::Test {
protected:
    void SetUp() override {
        startObjects = LiveDirect3DObjects();
        root = new RecordingDirect3D9;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 48;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_COPY;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24X8;
        params = pp;
        ASSERT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
        recording = root->lastDevice;
    }

    void TearDown() override {
        if (device)
            device->Release();
        root->Release();
        EXPECT_EQ(LiveDirect3DObjects(), startObjects);
    }

    static double Ptr(const void* p) { return double(reinterpret_cast<std::uintptr_t>(p)); }

    long startObjects = 0;
    RecordingDirect3D9* root = nullptr;
    IDirect3DDevice9* device = nullptr;
    RecordingDevice* recording = nullptr;
    D3DPRESENT_PARAMETERS params{};
};

// The text of an error buffer (empty for none), releasing it.
inline std::string TakeText(ID3DXBuffer*& buffer) {
    std::string text = buffer ? static_cast<const char*>(buffer->GetBufferPointer()) : "";
    if (buffer)
        buffer->Release();
    buffer = nullptr;
    return text;
}
