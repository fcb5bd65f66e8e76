// Drops on our X11 windows, answered by us rather than by SDL. SDL 2.26 hands
// each dropped URI on as a C string, so that a "%00" cuts the name short and
// another file opens; it takes "file://localhost/" for another machine's
// file; and it tells the source that every drop was taken, whatever the drop
// delivered. Here the drag protocol's messages to our windows are held back
// from SDL as Xlib reads them, and answered after each round of events.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct SDL_Window;

// Takes the drops on `window` over from SDL. Nothing where it is not an X11
// window.
void ReceiveXDropsFor(SDL_Window* window);

// Forgets a window that is about to be destroyed.
void ForgetXDropsFor(SDL_Window* window);

struct XDrop {
    SDL_Window* window;
    std::vector<std::string> paths; // never empty
};

// Answers the drag messages held since the last call, and returns the drops
// they completed. `accepts` says whether a window takes drops now. A drop
// that names no local file, or that the window does not take, is refused to
// its source, with the reason on stderr.
std::vector<XDrop> AnswerXDrags(const std::function<bool(SDL_Window*)>& accepts);
