// The viewer's side of a Wayland compositor, beside SDL's own connection:
// whether the compositor offers an input seat, which SDL's Wayland driver
// takes for granted, and whether SDL's connection has been lost, which SDL
// only reports as a quit event that also follows a window's close.
#pragma once

struct SDL_Window;
struct wl_display;

enum class WaylandSeat {
    Offered,
    Missing,
    // No compositor answered, or the connection was handed over in
    // WAYLAND_SOCKET, which can be taken only once (by SDL, then).
    Unknown,
};

// Connects where SDL would (WAYLAND_DISPLAY, else wayland-0), lists the
// compositor's globals and disconnects. Says nothing on stderr: a machine
// without a compositor is a normal case here.
WaylandSeat ProbeWaylandSeat();

// The connection behind a window that SDL shows on Wayland, else null.
wl_display* WaylandDisplayOf(SDL_Window* window);

// The error (an errno value) that ended the connection, or 0 while it holds
// or where there is none.
int WaylandConnectionError(wl_display* display);
