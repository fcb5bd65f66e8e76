#include "platform/win32/display_choice.h"

#include <cstdlib>
#include <cstring>

namespace {

bool Given(const char* value) {
    return value && *value;
}

} // namespace

bool DisplayOrDriverGiven() {
    return Given(std::getenv("DISPLAY")) || Given(std::getenv("WAYLAND_DISPLAY")) ||
           Given(std::getenv("SDL_VIDEODRIVER"));
}

std::string MissingDisplayReason(const char* requestedDriver, const char* chosenDriver,
                                 const char* display, const char* waylandDisplay) {
    if (Given(requestedDriver))
        return "";
    if (chosenDriver &&
        (std::strcmp(chosenDriver, "x11") == 0 || std::strcmp(chosenDriver, "wayland") == 0))
        return "";
    if (!Given(display) && !Given(waylandDisplay))
        return "no display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set";
    std::string named;
    if (Given(display))
        named = std::string("DISPLAY=") + display;
    if (Given(waylandDisplay))
        named += (named.empty() ? "" : " or ") + std::string("WAYLAND_DISPLAY=") + waylandDisplay;
    return "no display to show the window on: cannot open the display of " + named;
}
