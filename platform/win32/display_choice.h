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

// SDL's Wayland driver (2.26) crashes while it starts where the compositor
// offers no input seat, so there it must not be tried. SDL takes the drivers
// asked for as a comma-separated list, in any case; with none asked for it
// tries X11 before Wayland.

// Whether SDL may try Wayland: no driver asked for, or Wayland among those.
bool WaylandMayBeTried(const char* requestedDriver);

// The drivers to ask for instead: those asked for without Wayland, or, with
// none asked for, X11 where DISPLAY names a display. Empty when none is left.
std::string DriversBesideWayland(const char* requestedDriver, const char* display);

// The reason for not starting where the compositor offers no seat and the
// other drivers, where there were any to try, did not start either.
std::string SeatlessWaylandReason(const char* display, const char* waylandDisplay,
                                  bool othersFailed);

// How the messages name the Wayland display: by WAYLAND_DISPLAY, else by the
// name that libwayland then connects to.
std::string WaylandDisplayName(const char* waylandDisplay);
