// While a modal box is up over one of our X11 windows, nothing reads that
// window's events: SDL's box is drawn by a child process that this thread
// waits for. A close request to the window would wait unseen until the box
// is answered, and the window would look hung. While the box is up, a
// thread of its own reads the window's events, and a close request ends the
// program as a termination signal does: the box goes, and the program ends
// through its message loop.
#pragma once

struct SDL_Window;

class XCloseWatch {
public:
    // Nothing where `window` is null or not an X11 window.
    explicit XCloseWatch(SDL_Window* window);
    ~XCloseWatch();
    XCloseWatch(const XCloseWatch&) = delete;
    XCloseWatch& operator=(const XCloseWatch&) = delete;
};
