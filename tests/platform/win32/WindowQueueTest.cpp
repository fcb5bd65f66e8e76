#include "platform/win32/scripted_win32.h"
#include "platform/win32/win32.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UINT> received;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    received.push_back(msg);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WindowQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetWin32Backend(&backend);
        received.clear();
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = RecordingProc;
            wc.lpszClassName = "QueueTestClass";
            ASSERT_NE(RegisterClassExA(&wc), 0);
            registered = true;
        }
    }
    void TearDown() override { SetWin32Backend(nullptr); }

    HWND Create() {
        return CreateWindowExA(0, "QueueTestClass", "t", WS_CAPTION | WS_SYSMENU, 40, 40,
                               1024 + 2 * GetSystemMetrics(SM_CXDLGFRAME),
                               768 + 2 * GetSystemMetrics(SM_CYDLGFRAME) +
                                   GetSystemMetrics(SM_CYCAPTION),
                               nullptr, nullptr, nullptr, nullptr);
    }

    ScriptedWin32 backend;
};

} // namespace

TEST_F(WindowQueueTest, OuterSizeFromTheFrameMetricsGivesBackTheClientArea) {
    HWND hwnd = Create();
    ASSERT_NE(hwnd, nullptr);
    RECT client;
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right, 1024);
    EXPECT_EQ(client.bottom, 768);
    DestroyWindow(hwnd);
}

TEST_F(WindowQueueTest, UnknownClassAndFailedNativeWindowGiveNoWindow) {
    EXPECT_EQ(
        CreateWindowExA(0, "NoSuchClass", "t", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    backend.failWindowCreation = true;
    EXPECT_EQ(Create(), nullptr);
}

TEST_F(WindowQueueTest, MessagesComeOutOneAtATimeInOrder) {
    HWND hwnd = Create();
    PostMessageA(hwnd, WM_KEYDOWN, 'A', 0);
    PostQuitMessage(3);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(received, std::vector<UINT>{WM_KEYDOWN});
    DestroyWindow(hwnd);
}

TEST_F(WindowQueueTest, DestroyedWindowTakesItsQueuedMessagesAndDropsAlong) {
    HWND hwnd = Create();
    backend.PostDrop(hwnd, {"/tmp/a"});
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    DestroyWindow(hwnd);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PostMessageA(hwnd, WM_CLOSE, 0, 0));
}

TEST_F(WindowQueueTest, DefaultProcedureDestroysTheWindowOnCloseAndOnAltF4) {
    // F4 alone is an ordinary key; with Alt it closes the window by way of
    // the system menu's Close command.
    const LPARAM altDown = LPARAM(KF_ALTDOWN) << 16;
    struct Case {
        UINT msg;
        WPARAM key;
        LPARAM flags;
        std::vector<UINT> seen;
    } cases[] = {
        {WM_CLOSE, 0, 0, {WM_CLOSE, WM_DESTROY}},
        {WM_SYSKEYDOWN, VK_F4, altDown, {WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}},
        {WM_SYSKEYDOWN, VK_F4, 0, {WM_SYSKEYDOWN}},
        {WM_SYSKEYDOWN, VK_F10, altDown, {WM_SYSKEYDOWN}},
    };
    for (const Case& c : cases) {
        received.clear();
        HWND hwnd = Create();
        PostMessageA(hwnd, c.msg, c.key, c.flags);
        MSG msg;
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        DispatchMessageA(&msg);
        EXPECT_EQ(received, c.seen) << c.msg << " " << c.key;
        RECT rect;
        bool closed = c.seen.back() == WM_DESTROY;
        EXPECT_EQ(GetClientRect(hwnd, &rect) == FALSE, closed) << c.msg << " " << c.key;
        if (!closed)
            DestroyWindow(hwnd);
    }
}

TEST_F(WindowQueueTest, ClientAndScreenCoordinatesDifferByTheClientOrigin) {
    HWND hwnd = Create();
    backend.clientOrigin = POINT{100, 50};
    POINT p{90, 60};
    ScreenToClient(hwnd, &p);
    EXPECT_EQ(p.x, -10);
    EXPECT_EQ(p.y, 10);
    ClientToScreen(hwnd, &p);
    EXPECT_EQ(p.x, 90);
    EXPECT_EQ(p.y, 60);
    DestroyWindow(hwnd);
}
