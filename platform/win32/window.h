// The core's record of one window, shared with the backends.
#pragma once

#include "platform/win32/win32.h"

#include <string>

struct HWND__ {
    std::string className;
    std::string title;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    int x = 0, y = 0; // outer position in screen pixels
    int clientWidth = 0, clientHeight = 0;
    bool visible = false;
    void* native = nullptr; // owned by the backend
};

// True while hwnd names a window that exists.
bool IsLiveWindow(HWND hwnd);
