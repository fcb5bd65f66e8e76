// The scripted backend of the Win32 stand-in, for tests that need no display:
// a clock that only moves when the test or a Sleep moves it, key and cursor
// states the test sets, message boxes and calls recorded, and a foreground
// flag. Install it with SetWin32Backend for the duration of a test.
#pragma once

#include "platform/win32/win32_backend.h"

#include <functional>
#include <string>
#include <vector>

class ScriptedWin32 final : public Win32Backend {
public:
    struct MessageBoxRecord {
        HWND owner;
        std::string caption;
        std::string text;
    };

    ScriptedWin32();
    ~ScriptedWin32() override;

    // Clock in milliseconds; Sleep(n) advances it by n, and Sleep(0) by one,
    // since a yield lets at least one tick of the 1 ms timer pass.
    DWORD now = 0;
    // Called after every Sleep, with the clock already advanced: lets a test
    // deliver input at a chosen time.
    std::function<void()> onSleep;
    // Called after every PeekMessage pump.
    std::function<void()> onPump;

    BYTE keys[256] = {};
    POINT cursor{0, 0}; // screen coordinates
    // Client origin in screen coordinates for every window.
    POINT clientOrigin{43, 66};
    // When set, the window that was shown last is the foreground window.
    bool windowInFront = true;
    bool failWindowCreation = false;
    // When set, no message box can be shown (as where a display lacks what
    // a box needs); the attempts are still recorded.
    bool failMessageBoxes = false;

    // Every box asked for, shown or not.
    std::vector<MessageBoxRecord> messageBoxes;
    // Every call that changes the outside world, in order: "CreateWindow",
    // "ShowWindow 1", "DestroyWindow", "SetCursorPos 10 20", "DragAcceptFiles 1",
    // "Sleep 8".
    std::vector<std::string> calls;

    HWND lastShownWindow = nullptr;

    void SetKey(int vk, bool down) { keys[vk] = down ? BYTE(0x80) : BYTE(0); }
    // Posts one WM_DROPFILES carrying these paths, as one drop.
    void PostDrop(HWND hwnd, std::vector<std::string> paths);
    // Posts a WM_MOUSEWHEEL with this delta.
    void PostWheel(HWND hwnd, int delta);

    bool CreateNativeWindow(HWND hwnd) override;
    void DestroyNativeWindow(HWND hwnd) override;
    void ShowNativeWindow(HWND hwnd, bool show) override;
    void PumpEvents() override;
    void GetKeyboardState(BYTE keys[256]) override;
    POINT GetCursorPos() override;
    void SetCursorPos(POINT screen) override;
    POINT ClientOrigin(HWND hwnd) override;
    bool MessageBox(HWND owner, const char* text, const char* caption, std::string& why) override;
    DWORD Time() override;
    void Sleep(DWORD milliseconds) override;
    HWND ForegroundWindow() override;
    void AcceptFiles(HWND hwnd, bool accept) override;
};
