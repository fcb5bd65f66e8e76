// Whether the video driver that SDL settled on can show the window.
#pragma once

#include <string>

// Empty when the window can be shown: a driver was asked for by name
// (SDL_VIDEODRIVER, e.g. "offscreen" for tests and headless pictures), or
// the chosen one is a desktop's (X11, Wayland). Otherwise the reason, naming
// the display that is missing or could not be opened: SDL falls back to
// drivers that show nothing, where the viewer would run on unseen.
// Whether the environment names a display (DISPLAY, WAYLAND_DISPLAY) or a
// video driver (SDL_VIDEODRIVER); an empty value names none.
bool DisplayOrDriverGiven();

std::string MissingDisplayReason(const char* requestedDriver, const char* chosenDriver,
                                 const char* display, const char* waylandDisplay);
