// The seam between the Win32 names and what stands behind them. The core
// (win32.cpp) keeps the window classes, the windows and the message queue; a
// backend supplies the native window, events, input state, time and dialogs.
#pragma once

#include "platform/win32/win32.h"

#include <string>

class Win32Backend {
public:
    virtual ~Win32Backend() = default;

    // Creates the native side of a window whose core record is filled in.
    virtual bool CreateNativeWindow(HWND hwnd) = 0;
    virtual void DestroyNativeWindow(HWND hwnd) = 0;
    virtual void ShowNativeWindow(HWND hwnd, bool show) = 0;
    // Turns pending native events into posted messages (PostMessageA).
    virtual void PumpEvents() = 0;
    virtual void GetKeyboardState(BYTE keys[256]) = 0;
    virtual POINT GetCursorPos() = 0;
    virtual void SetCursorPos(POINT screen) = 0;
    // Screen position of the client area's top-left corner.
    virtual POINT ClientOrigin(HWND hwnd) = 0;
    // Shows a modal box with an OK button and returns once it is closed;
    // false, with the reason in `why`, when no box could be shown.
    virtual bool MessageBox(HWND owner, const char* text, const char* caption,
                            std::string& why) = 0;
    virtual DWORD Time() = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    virtual HWND ForegroundWindow() = 0;
    virtual void AcceptFiles(HWND hwnd, bool accept) = 0;
};

// Installs the backend that the Win32 names forward to; null restores the
// default (SDL2). The caller keeps ownership.
void SetWin32Backend(Win32Backend* backend);
Win32Backend& CurrentWin32Backend();
