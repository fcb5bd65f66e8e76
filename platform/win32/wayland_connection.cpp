#include "platform/win32/wayland_connection.h"

#include <SDL.h>

#if defined(ZQ_HAVE_WAYLAND) && defined(SDL_VIDEO_DRIVER_WAYLAND)

#include <SDL_syswm.h>
#include <wayland-client.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void IgnoreLog(const char*, va_list) {}

// libwayland's own default, which cannot be asked for once replaced.
void LogToStderr(const char* format, va_list arguments) {
    std::vfprintf(stderr, format, arguments);
}

void OnGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0)
        *static_cast<bool*>(data) = true;
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

} // namespace

WaylandSeat ProbeWaylandSeat() {
    const char* handedOver = std::getenv("WAYLAND_SOCKET");
    if (handedOver && *handedOver)
        return WaylandSeat::Unknown;
    wl_log_set_handler_client(IgnoreLog);
    wl_display* display = wl_display_connect(nullptr);
    wl_log_set_handler_client(LogToStderr);
    if (!display)
        return WaylandSeat::Unknown;
    bool seat = false;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &seat);
    bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return WaylandSeat::Unknown;
    return seat ? WaylandSeat::Offered : WaylandSeat::Missing;
}

wl_display* WaylandDisplayOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND)
        return nullptr;
    return info.info.wl.display;
}

int WaylandConnectionError(wl_display* display) {
    return display ? wl_display_get_error(display) : 0;
}

#else

// Built without libwayland-client, or against an SDL without Wayland: SDL's
// Wayland driver, where it has one, runs unwatched.
WaylandSeat ProbeWaylandSeat() {
    return WaylandSeat::Unknown;
}

wl_display* WaylandDisplayOf(SDL_Window*) {
    return nullptr;
}

int WaylandConnectionError(wl_display*) {
    return 0;
}

#endif
