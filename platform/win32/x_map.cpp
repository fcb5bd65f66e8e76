#include "platform/win32/x_map.h"

#if defined(ZQ_HAVE_X11)

#include "platform/win32/x_window.h"

#include <SDL.h>

namespace {

// How often the map state is read while waiting.
constexpr int kPollMs = 10;

// As SDL asks: a window that is mapped counts, whether or not the window
// manager's frame around it is mapped yet.
bool IsMapped(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped;
}

} // namespace

XMapResult MapXWindow(SDL_Window* window, int retryMs, int limitMs) {
    const XWindowOfSdl x = XWindowOf(window);
    if (x.window == None)
        return XMapResult::NotX11;
    // The state is read from the server; the events the map sends stay in
    // the queue for SDL.
    const Uint64 start = SDL_GetTicks64();
    Uint64 requested = start;
    XMapRaised(x.display, x.window);
    while (!IsMapped(x.display, x.window)) {
        const Uint64 now = SDL_GetTicks64();
        if (now - start >= Uint64(limitMs))
            return XMapResult::NotMapped;
        if (now - requested >= Uint64(retryMs)) {
            XMapRaised(x.display, x.window);
            requested = now;
        }
        SDL_Delay(kPollMs);
    }
    return XMapResult::Mapped;
}

#else

XMapResult MapXWindow(SDL_Window*, int, int) {
    return XMapResult::NotX11;
}

#endif
