// The scripted platform with the recording device behind Direct3DCreate9 and
// a leak check at the end: the ground of the framework and viewer tests that
// need neither a display nor a GPU.
#pragma once

#include "framework/InputState.h"
#include "framework/KvDX9Template.h"
#include "platform/d3d9/recording_device.h"
#include "platform/win32/scripted_win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

class ScriptedRecordingFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetWin32Backend(&scripted);
        startObjects = LiveDirect3DObjects();
        root = new RecordingDirect3D9;
        root->Install();
    }
    void TearDown() override {
        RecordingDirect3D9::Uninstall();
        root->Release();
        EXPECT_EQ(LiveDirect3DObjects(), startObjects);
    }
    ~ScriptedRecordingFixture() override { SetWin32Backend(nullptr); }

    // Gives the shell a window of the viewer's client size, in front, and
    // the values Run would set, with a fresh input record; no loop runs.
    void MakeShell(KvBase& shell) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "ScriptedShell";
            registered = RegisterClassExA(&wc) != 0;
        }
        shell.hwnd = CreateWindowExA(0, "ScriptedShell", "ZELQAd", 0, 0, 0, 1024, 768, nullptr,
                                     nullptr, nullptr, nullptr);
        ShowWindow(shell.hwnd, SW_SHOWNORMAL); // in front, so that resets go ahead
        shell.width = 1024;
        shell.height = 768;
        shell.aspect = 4.0f / 3.0f;
        shell.framePeriod = 1000.0f / 60.0f;
        std::memset(&inputState, 0, sizeof inputState);
        inputState.window = shell.hwnd;
        ForgetDragAnchor();
    }

    // The message boxes shown so far as "caption|text".
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& box : scripted.messageBoxes)
            texts.push_back(box.caption + "|" + box.text);
        return texts;
    }

    ScriptedWin32 scripted;
    RecordingDirect3D9* root = nullptr;
    long startObjects = 0;
};
