#include "platform/win32/x_errors.h"

#if defined(ZQ_HAVE_X11)

#include "platform/win32/x_window.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

XErrorHandler previousHandler = nullptr;
std::vector<XID> ourWindows;

int OnXError(Display* display, XErrorEvent* error) {
    if (std::find(ourWindows.begin(), ourWindows.end(), error->resourceid) != ourWindows.end())
        return previousHandler ? previousHandler(display, error) : 0;
    // Called inside Xlib: no requests from here, only the local error text.
    char text[128] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr,
                 "zelqad: X error about another client's resource, ignored: %s "
                 "(request %d.%d, resource 0x%lx)\n",
                 text, int(error->request_code), int(error->minor_code), error->resourceid);
    return 0;
}

} // namespace

void WatchXErrorsFor(SDL_Window* window) {
    XID id = XWindowOf(window).window;
    if (!id)
        return;
    ourWindows.push_back(id);
    XErrorHandler replaced = XSetErrorHandler(OnXError);
    if (replaced != OnXError)
        previousHandler = replaced;
}

void ForgetXErrorsFor(SDL_Window* window) {
    XID id = XWindowOf(window).window;
    ourWindows.erase(std::remove(ourWindows.begin(), ourWindows.end(), id), ourWindows.end());
}

#else

// Without X11 there is no Xlib handler to replace.
void WatchXErrorsFor(SDL_Window*) {}
void ForgetXErrorsFor(SDL_Window*) {}

#endif
