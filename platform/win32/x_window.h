// The X11 side of an SDL window, for the code that works on SDL's X
// connection beside it.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

struct XWindowOfSdl {
    Display* display = nullptr;
    Window window = None; // None where the SDL window is null or not an X11 one
};

inline XWindowOfSdl XWindowOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return XWindowOfSdl{};
    return XWindowOfSdl{info.info.x11.display, info.info.x11.window};
}
