// The SDL2 backend of the Win32 stand-in: the real window, its events, the
// keyboard and mouse, the message box and the clock.
#pragma once

#include "platform/win32/win32_backend.h"

struct SDL_Window;

Win32Backend& SdlWin32Backend();

// The SDL window behind a window of the SDL backend, or null.
SDL_Window* SdlWindowOf(HWND hwnd);
