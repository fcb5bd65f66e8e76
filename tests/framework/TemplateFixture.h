// A KvDX9Template on the recording device and the scripted platform, with a
// window whose client area starts at the scripted origin: for tests of the
// primitives, the camera and the overlay, without a display.
#pragma once

#include "framework/InputState.h"
#include "framework/KvDX9Template.h"
#include "platform/d3d9/recording_device.h"
#include "platform/win32/scripted_win32.h"

#include <gtest/gtest.h>

#include <cstring>

class TemplateApp : public KvDX9Template {
public:
    ~TemplateApp() override { CloseIfOpen(); }
    bool OnInit() override { return true; }
    void OnTerm() override { ReleaseDevice(); }
    void OnFrame() override {}
};

class TemplateFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetWin32Backend(&scripted);
        startObjects = LiveDirect3DObjects();
        root = new RecordingDirect3D9;
        root->Install();
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "TemplateFixture";
            registered = RegisterClassExA(&wc) != 0;
        }
        app.hwnd = CreateWindowExA(0, "TemplateFixture", "t", 0, 0, 0, 1024, 768, nullptr, nullptr,
                                   nullptr, nullptr);
        app.width = 1024;
        app.height = 768;
        app.aspect = 4.0f / 3.0f;
        app.framePeriod = 1000.0f / 60.0f;
        ASSERT_TRUE(app.CreateDevice(false, false, 20));
        device = root->lastDevice;
        device->calls.clear();
        std::memset(&inputState, 0, sizeof inputState);
        inputState.window = app.hwnd;
        ForgetDragAnchor();
    }
    void TearDown() override {
        app.ReleaseDevice();
        RecordingDirect3D9::Uninstall();
        root->Release();
        EXPECT_EQ(LiveDirect3DObjects(), startObjects);
    }
    ~TemplateFixture() override { SetWin32Backend(nullptr); }

    ScriptedWin32 scripted;
    RecordingDirect3D9* root = nullptr;
    RecordingDevice* device = nullptr;
    TemplateApp app;
    long startObjects = 0;
};
