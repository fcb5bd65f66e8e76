#include "platform/win32/display_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(DisplayChoiceTest, DesktopDriversAndDriversAskedForByNameShowTheWindow) {
    EXPECT_EQ(MissingDisplayReason(nullptr, "x11", ":0", nullptr), "");
    EXPECT_EQ(MissingDisplayReason("", "wayland", nullptr, "wayland-0"), "");
    EXPECT_EQ(MissingDisplayReason("offscreen", "offscreen", nullptr, nullptr), "");
    EXPECT_EQ(MissingDisplayReason("KMSDRM", "KMSDRM", nullptr, nullptr), "");
}

TEST(DisplayChoiceTest, FallbackWithoutADisplaySaysWhichIsMissing) {
    EXPECT_EQ(MissingDisplayReason(nullptr, "offscreen", nullptr, ""),
              "no display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set");
    EXPECT_EQ(MissingDisplayReason(nullptr, "dummy", ":77", nullptr),
              "no display to show the window on: cannot open the display of DISPLAY=:77");
    EXPECT_EQ(MissingDisplayReason(nullptr, "KMSDRM", ":77", "wayland-9"),
              "no display to show the window on: cannot open the display of DISPLAY=:77 or "
              "WAYLAND_DISPLAY=wayland-9");
    EXPECT_NE(MissingDisplayReason(nullptr, nullptr, nullptr, nullptr), "");
}

TEST(DisplayChoiceTest, WaylandMayBeTriedUnlessOtherDriversAloneAreAskedFor) {
    EXPECT_TRUE(WaylandMayBeTried(nullptr));
    EXPECT_TRUE(WaylandMayBeTried(""));
    EXPECT_TRUE(WaylandMayBeTried("wayland"));
    EXPECT_TRUE(WaylandMayBeTried("x11,Wayland"));
    EXPECT_FALSE(WaylandMayBeTried("offscreen"));
    EXPECT_FALSE(WaylandMayBeTried("x11,waylandx"));
}

// Where the compositor offers no seat: X11 keeps its place before Wayland,
// a list keeps its order, and nothing is left where only Wayland was.
TEST(DisplayChoiceTest, DriversBesideWaylandKeepWhatElseWouldBeTried) {
    EXPECT_EQ(DriversBesideWayland(nullptr, ":0"), "x11");
    EXPECT_EQ(DriversBesideWayland("", nullptr), "");
    EXPECT_EQ(DriversBesideWayland(nullptr, ""), "");
    EXPECT_EQ(DriversBesideWayland("wayland", ":0"), "");
    EXPECT_EQ(DriversBesideWayland("x11,WAYLAND,,offscreen", nullptr), "x11,offscreen");
}

TEST(DisplayChoiceTest, SeatlessCompositorIsNamedWithTheXDisplayTriedBeforeIt) {
    EXPECT_EQ(SeatlessWaylandReason(nullptr, "zq-1", false),
              "no display to show the window on: the Wayland display of WAYLAND_DISPLAY=zq-1 "
              "offers no input seat");
    EXPECT_EQ(SeatlessWaylandReason(":77", "", true),
              "no display to show the window on: cannot open the display of DISPLAY=:77, and the "
              "Wayland display wayland-0 offers no input seat");
    EXPECT_EQ(SeatlessWaylandReason(":77", "zq-1", false),
              "no display to show the window on: the Wayland display of WAYLAND_DISPLAY=zq-1 "
              "offers no input seat");
}

// Whether a picture for a file must pick the offscreen driver itself.
TEST(DisplayChoiceTest, EmptyVariablesNameNoDisplayOrDriver) {
    const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
    for (const char* name : names)
        setenv(name, "", 1);
    EXPECT_FALSE(DisplayOrDriverGiven());
    for (const char* name : names) {
        setenv(name, "x", 1);
        EXPECT_TRUE(DisplayOrDriverGiven()) << name;
        unsetenv(name);
    }
    EXPECT_FALSE(DisplayOrDriverGiven());
}
