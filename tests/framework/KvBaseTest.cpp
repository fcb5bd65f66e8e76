#include "framework/KvBase.h"
#include "framework/InputState.h"
#include "platform/win32/scripted_win32.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

ScriptedWin32* backend = nullptr;

// A shell whose hooks a test fills in; it records when frames start.
class ScriptedApp final : public KvBase {
public:
    ~ScriptedApp() override { CloseIfOpen(); }

    bool OnInit() override {
        backend->calls.push_back("OnInit");
        return onInit ? onInit() : true;
    }
    void OnTerm() override { backend->calls.push_back("OnTerm"); }
    void OnFrame() override {
        frameStarts.push_back(timeGetTime());
        fpsSeen.push_back(fps);
        if (onFrame)
            onFrame(int(frameStarts.size()));
        if (framesToRun && int(frameStarts.size()) >= framesToRun)
            quit = true;
    }

    std::function<bool()> onInit;
    std::function<void(int frame)> onFrame; // frame counts from 1
    int framesToRun = 0;
    std::vector<DWORD> frameStarts;
    std::vector<int> fpsSeen;
};

class KvBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = &scripted;
        SetWin32Backend(&scripted);
        scripted.now = 1000;
    }
    void TearDown() override {
        SetWin32Backend(nullptr);
        backend = nullptr;
    }

    std::vector<DWORD> Intervals(const std::vector<DWORD>& starts) {
        std::vector<DWORD> out;
        for (size_t i = 1; i < starts.size(); ++i)
            out.push_back(starts[i] - starts[i - 1]);
        return out;
    }

    static size_t IndexOf(const std::vector<std::string>& calls, const std::string& name) {
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i] == name)
                return i;
        return calls.size();
    }

    ScriptedWin32 scripted;
};

} // namespace

TEST_F(KvBaseTest, RunSetsTheShellUpAsTheWindowExpects) {
    ScriptedApp app;
    app.framesToRun = 1;
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(app.width, 1024);
    EXPECT_EQ(app.height, 768);
    EXPECT_EQ(app.aspect, 1.3333334f);
    EXPECT_EQ(app.framePeriod, 16.666666f);
    EXPECT_EQ(app.hwnd, nullptr);
}

TEST_F(KvBaseTest, FramesAreSpacedSeventeenSixteenSeventeen) {
    ScriptedApp app;
    app.framesToRun = 14;
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    std::vector<DWORD> gaps = Intervals(app.frameStarts);
    // The carry starts at one whole period, so the second frame comes a
    // period late; after that whole milliseconds average to 16.667.
    EXPECT_EQ(gaps[0], 33u);
    // Then the cycle of 17, 16, 17 ms: every three gaps make 50 ms.
    std::vector<DWORD> steady(gaps.begin() + 1, gaps.begin() + 7);
    EXPECT_EQ(steady, (std::vector<DWORD>{16, 17, 17, 16, 17, 17}));
    for (size_t i = 1; i + 3 <= gaps.size(); ++i)
        EXPECT_EQ(gaps[i] + gaps[i + 1] + gaps[i + 2], 50u) << "from gap " << i;
    DWORD span = app.frameStarts[13] - app.frameStarts[1];
    EXPECT_NEAR(span / 12.0, 16.667, 0.1);
}

TEST_F(KvBaseTest, ALateFrameRestartsTheScheduleWithoutACatchUpBurst) {
    ScriptedApp app;
    app.framesToRun = 8;
    app.onFrame = [&](int frame) {
        if (frame == 3)
            scripted.now += 100; // a frame that overruns by six periods
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    std::vector<DWORD> gaps = Intervals(app.frameStarts);
    // Frame 4 starts as soon as frame 3 ends; the next follows a whole
    // period later, not at once.
    EXPECT_EQ(app.frameStarts[3] - app.frameStarts[2], 100u);
    for (size_t i = 3; i < gaps.size(); ++i) {
        EXPECT_GE(gaps[i], 16u) << "gap " << i;
        EXPECT_LE(gaps[i], 17u) << "gap " << i;
    }
}

TEST_F(KvBaseTest, FpsReadsSixtyWhileFramesKeepToTheSchedule) {
    ScriptedApp app;
    app.framesToRun = 300;
    app.onFrame = [&](int) { scripted.now += 2; };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(app.fps, 60);
    // The first window holds the start-up frame and the one that closes it.
    EXPECT_EQ(app.fpsSeen[100], 61);
    EXPECT_EQ(app.fpsSeen[150], 60);
}

TEST_F(KvBaseTest, AfterAStallFpsIsOneForEachSecondMissed) {
    ScriptedApp app;
    app.onInit = [&] {
        scripted.now += 5000; // a slow start-up
        return true;
    };
    app.framesToRun = 7;
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(app.fpsSeen[i], 1) << "frame " << i;
    // Frame six counts into a window that is still open.
    EXPECT_EQ(app.fpsSeen[5], 1);
    EXPECT_EQ(app.fpsFrameCount, 2);
}

TEST_F(KvBaseTest, FrameTimeClimbsByThirtyPercentOfTheGap) {
    ScriptedApp app;
    std::vector<float> seen;
    app.framesToRun = 4;
    app.onFrame = [&](int) {
        seen.push_back(app.frameTime);
        scripted.now += 10;
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    float expected = 0.0f;
    ASSERT_EQ(seen.size(), 4u);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], expected) << "frame " << i;
        expected = expected + (10.0f - expected) * 0.3f;
    }
    EXPECT_EQ(app.frameTime, expected);
    EXPECT_EQ(seen[1], 3.0f);
}

TEST_F(KvBaseTest, AWrapOfTheMillisecondCounterDelaysNoFrame) {
    scripted.now = 0xFFFFFFFFu - 60;
    ScriptedApp app;
    app.framesToRun = 12;
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    std::vector<DWORD> gaps = Intervals(app.frameStarts);
    EXPECT_LT(app.frameStarts.back(), 1000u); // the counter did wrap
    for (size_t i = 1; i < gaps.size(); ++i) {
        EXPECT_GE(gaps[i], 16u) << "gap " << i;
        EXPECT_LE(gaps[i], 17u) << "gap " << i;
    }
}

TEST_F(KvBaseTest, AWrapOfTheCounterKeepsTheFpsWindowCounting) {
    scripted.now = 0xFFFFFFFFu - 1500;
    ScriptedApp app;
    app.framesToRun = 240;
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(app.fps, 60);
}

TEST_F(KvBaseTest, AltF4EndsTheLoopOnlyWhenF4GoesDownWithAltHeld) {
    {
        ScriptedApp app; // Alt held, then F4 goes down
        app.framesToRun = 50;
        app.onFrame = [&](int frame) {
            if (frame == 2)
                scripted.SetKey(VK_LMENU, true);
            if (frame == 4)
                scripted.SetKey(VK_F4, true);
        };
        ASSERT_TRUE(app.Run(nullptr, 60.0f));
        EXPECT_EQ(app.frameStarts.size(), 5u);
    }
    scripted.SetKey(VK_LMENU, false);
    scripted.SetKey(VK_F4, false);
    {
        ScriptedApp app; // right Alt counts too
        app.framesToRun = 50;
        app.onFrame = [&](int frame) {
            if (frame == 2) {
                scripted.SetKey(VK_RMENU, true);
                scripted.SetKey(VK_F4, true);
            }
        };
        ASSERT_TRUE(app.Run(nullptr, 60.0f));
        EXPECT_EQ(app.frameStarts.size(), 3u);
    }
    scripted.SetKey(VK_RMENU, false);
    scripted.SetKey(VK_F4, false);
    {
        ScriptedApp app; // F4 held first, then Alt: nothing; F4 alone: nothing
        app.framesToRun = 10;
        app.onFrame = [&](int frame) {
            if (frame == 2)
                scripted.SetKey(VK_F4, true);
            if (frame == 4)
                scripted.SetKey(VK_LMENU, true);
        };
        ASSERT_TRUE(app.Run(nullptr, 60.0f));
        EXPECT_EQ(app.frameStarts.size(), 10u);
    }
    scripted.SetKey(VK_LMENU, false);
    scripted.SetKey(VK_F4, false);
}

TEST_F(KvBaseTest, SystemKeysAreSwallowed) {
    // The default procedure would close the window on this message; the
    // loop decides on Alt+F4 by polling alone.
    ScriptedApp app;
    app.framesToRun = 4;
    app.onFrame = [&](int frame) {
        if (frame == 1)
            PostMessageA(app.hwnd, WM_SYSKEYDOWN, VK_F4, LPARAM(KF_ALTDOWN) << 16);
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(app.frameStarts.size(), 4u);
}

TEST_F(KvBaseTest, AKeyEdgeShowsForExactlyOneFrame) {
    ScriptedApp app;
    std::vector<bool> pressed, down;
    app.framesToRun = 6;
    app.onFrame = [&](int frame) {
        pressed.push_back(inputState.IsKeyPressed(VK_SPACE));
        down.push_back(inputState.IsKeyDown(VK_SPACE));
        if (frame == 1)
            scripted.SetKey(VK_SPACE, true);
        if (frame == 4)
            scripted.SetKey(VK_SPACE, false);
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(pressed, (std::vector<bool>{false, true, false, false, false, false}));
    EXPECT_EQ(down, (std::vector<bool>{false, true, true, true, false, false}));
}

TEST_F(KvBaseTest, APressAndReleaseBetweenTwoFramesIsNotSeen) {
    ScriptedApp app;
    int seen = 0;
    int sleeps = 0;
    app.framesToRun = 4;
    app.onFrame = [&](int frame) {
        seen += inputState.IsKeyPressed('X');
        if (frame == 1) {
            // Down and up again during the sleeps before the next frame.
            scripted.onSleep = [&] {
                ++sleeps;
                scripted.SetKey('X', sleeps == 1);
            };
        }
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    scripted.onSleep = nullptr;
    EXPECT_EQ(seen, 0);
}

TEST_F(KvBaseTest, WheelDeltasBecomeWholeNotchesWithASignedRemainder) {
    ScriptedApp app;
    std::vector<std::pair<int, int>> wheel;
    app.framesToRun = 5;
    app.onFrame = [&](int frame) {
        wheel.emplace_back(inputState.wheelSteps, inputState.wheelRemainder);
        if (frame == 1)
            for (int i = 0; i < 3; ++i)
                scripted.PostWheel(app.hwnd, 40);
        if (frame == 2)
            scripted.PostWheel(app.hwnd, -200);
        if (frame == 3)
            scripted.PostWheel(app.hwnd, -40);
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(wheel,
              (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {-1, -80}, {-1, 0}, {0, 0}}));
}

TEST_F(KvBaseTest, CursorIsReadInClientCoordinatesUnclamped) {
    ScriptedApp app;
    std::vector<std::pair<int, int>> seen;
    scripted.clientOrigin = POINT{43, 66};
    app.framesToRun = 2;
    app.onFrame = [&](int) {
        seen.emplace_back(inputState.mouseX, inputState.mouseY);
        scripted.cursor = POINT{10, 900};
    };
    scripted.cursor = POINT{143, 166};
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{100, 100}, {-33, 834}}));
}

namespace {
std::vector<std::string> droppedPaths;
void RecordDrop(const char* path) {
    droppedPaths.push_back(path);
}
} // namespace

TEST_F(KvBaseTest, DroppedFilesReachTheHandlerInOrderAndWhole) {
    droppedPaths.clear();
    std::string longPath = "/tmp/" + std::string(300, 'd') + "/mesh.x";
    ScriptedApp app;
    app.framesToRun = 3;
    app.onInit = [&] {
        app.SetDropHandler(RecordDrop);
        return true;
    };
    app.onFrame = [&](int frame) {
        if (frame == 1)
            scripted.PostDrop(app.hwnd, {"/a/first.x", longPath, "/c/third.png"});
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(droppedPaths, (std::vector<std::string>{"/a/first.x", longPath, "/c/third.png"}));
    EXPECT_LT(IndexOf(scripted.calls, "OnInit"), IndexOf(scripted.calls, "DragAcceptFiles 1"));
}

TEST_F(KvBaseTest, DropsWithoutAHandlerAreIgnored) {
    droppedPaths.clear();
    ScriptedApp app;
    app.framesToRun = 3;
    app.onFrame = [&](int frame) {
        if (frame == 1)
            scripted.PostDrop(app.hwnd, {"/a/first.x"});
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_TRUE(droppedPaths.empty());
}

TEST_F(KvBaseTest, OneMessageIsHandledPerLoopTurnBeforeQuitIsTested) {
    droppedPaths.clear();
    static KvBase* running = nullptr;
    ScriptedApp app;
    running = &app;
    app.onInit = [&] {
        app.SetDropHandler([](const char* path) {
            droppedPaths.push_back(path);
            running->quit = true;
        });
        return true;
    };
    app.onFrame = [&](int frame) {
        if (frame == 1) {
            scripted.PostDrop(app.hwnd, {"/first"});
            scripted.PostDrop(app.hwnd, {"/second"});
        }
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(droppedPaths, std::vector<std::string>{"/first"});
}

TEST_F(KvBaseTest, ClosingTheWindowEndsTheLoopAndOnTermRunsBeforeTheWindowGoes) {
    ScriptedApp app;
    app.onFrame = [&](int frame) {
        if (frame == 3)
            PostMessageA(app.hwnd, WM_CLOSE, 0, 0);
    };
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(app.frameStarts.size(), 3u);
    size_t term = IndexOf(scripted.calls, "OnTerm");
    size_t destroy = IndexOf(scripted.calls, "DestroyWindow");
    ASSERT_LT(term, scripted.calls.size());
    EXPECT_LT(term, destroy);
    EXPECT_EQ(app.hwnd, nullptr);
}

TEST_F(KvBaseTest, FailedInitEndsRunWithoutLoopOrTermAndLeavesTheWindow) {
    {
        ScriptedApp app;
        app.onInit = [] { return false; };
        EXPECT_FALSE(app.Run(nullptr, 60.0f));
        EXPECT_TRUE(app.frameStarts.empty());
        EXPECT_EQ(IndexOf(scripted.calls, "OnTerm"), scripted.calls.size());
        EXPECT_NE(app.hwnd, nullptr);
        EXPECT_EQ(IndexOf(scripted.calls, "DestroyWindow"), scripted.calls.size());
    }
    // Destroying the shell runs the override of OnTerm, then closes the window.
    size_t term = IndexOf(scripted.calls, "OnTerm");
    ASSERT_LT(term, scripted.calls.size());
    EXPECT_LT(term, IndexOf(scripted.calls, "DestroyWindow"));
}

TEST_F(KvBaseTest, FailedWindowCreationEndsRunWithoutInit) {
    scripted.failWindowCreation = true;
    ScriptedApp app;
    EXPECT_FALSE(app.Run(nullptr, 60.0f));
    EXPECT_EQ(IndexOf(scripted.calls, "OnInit"), scripted.calls.size());
}

TEST_F(KvBaseTest, ShowMessageFormatsIntoAModalBoxOwnedByTheWindow) {
    ScriptedApp app;
    app.ShowMessage("Info", "before %s", "window");
    app.onInit = [&] {
        app.ShowMessage("Failed", "Failed: %s (%d)", "thing", 7);
        app.ShowMessage("Error", "%s", std::string(3000, 'x').c_str());
        return false;
    };
    app.Run(nullptr, 60.0f);
    ASSERT_EQ(scripted.messageBoxes.size(), 3u);
    EXPECT_EQ(scripted.messageBoxes[0].owner, nullptr);
    EXPECT_EQ(scripted.messageBoxes[1].caption, "Failed");
    EXPECT_EQ(scripted.messageBoxes[1].text, "Failed: thing (7)");
    EXPECT_EQ(scripted.messageBoxes[1].owner, app.hwnd);
    EXPECT_EQ(scripted.messageBoxes[2].text.size(), 1023u);
}
