// Shows an X11 window with a limit on the wait. SDL 2.26 maps a window and
// then waits, with no limit, for the server to say it is mapped. Under a
// window manager the map is only a request to the manager, and a manager
// that drops it (one that is starting up as the window is shown, as on a
// desktop whose programs start beside it at login) leaves the program hung
// before its first frame: nothing drawn, no close request read.
#pragma once

struct SDL_Window;

enum class XMapResult {
    NotX11,   // nothing done: show the window as SDL does
    Mapped,   // the window is mapped; SDL will not wait
    NotMapped // the window manager has not mapped it within the limit
};

// Asks for the window to be mapped, asks again every `retryMs` (a window
// manager that has come up since takes the new request), and gives up
// after `limitMs`.
XMapResult MapXWindow(SDL_Window* window, int retryMs, int limitMs);
