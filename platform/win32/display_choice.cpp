#include "platform/win32/display_choice.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

bool Given(const char* value) {
    return value && *value;
}

bool IsWayland(const std::string& driver) {
    return strcasecmp(driver.c_str(), "wayland") == 0;
}

// The names in SDL's list of drivers to try.
std::vector<std::string> DriverNames(const char* requestedDriver) {
    std::vector<std::string> names;
    std::istringstream list(Given(requestedDriver) ? requestedDriver : "");
    std::string name;
    while (std::getline(list, name, ','))
        if (!name.empty())
            names.push_back(name);
    return names;
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

bool WaylandMayBeTried(const char* requestedDriver) {
    std::vector<std::string> names = DriverNames(requestedDriver);
    return names.empty() || std::any_of(names.begin(), names.end(), IsWayland);
}

std::string DriversBesideWayland(const char* requestedDriver, const char* display) {
    std::vector<std::string> names = DriverNames(requestedDriver);
    if (names.empty())
        return Given(display) ? "x11" : "";
    std::string others;
    for (const std::string& name : names)
        if (!IsWayland(name))
            others += (others.empty() ? "" : ",") + name;
    return others;
}

std::string SeatlessWaylandReason(const char* display, const char* waylandDisplay,
                                  bool othersFailed) {
    std::string reason = "no display to show the window on: ";
    if (othersFailed && Given(display))
        reason += std::string("cannot open the display of DISPLAY=") + display + ", and ";
    return reason + WaylandDisplayName(waylandDisplay) + " offers no input seat";
}

std::string WaylandDisplayName(const char* waylandDisplay) {
    if (Given(waylandDisplay))
        return std::string("the Wayland display of WAYLAND_DISPLAY=") + waylandDisplay;
    return "the Wayland display wayland-0";
}
