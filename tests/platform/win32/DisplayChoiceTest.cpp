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
