#!/usr/bin/env bash
# Under a Wayland compositor alone (no DISPLAY for the viewer) the viewer
# opens its window there and draws, takes a picture for a file, and ends on
# Escape. The compositor is Weston nested in an X server, whose keyboard
# and pointer make its seat and whose window shows what it composes.
source "$(dirname "$0")/lib.sh"
start_x_server
start_compositor x11-backend.so --use-pixman --width=1100 --height=900
# Weston names its window in _NET_WM_NAME alone, which xdotool does not
# search; its class does.
compositor_window() {
    COMPOSITOR_WID=$(xdotool search --class "^Weston Compositor\$" 2>/dev/null | head -n 1 || true)
    [ -n "$COMPOSITOR_WID" ]
}
wait_for "the compositor's window" compositor_window

# clear_colour_pixels IMAGE: pixels in the viewer's clear colour, dimmed for
# the glow, which nothing else in the compositor's output shows.
clear_colour_pixels() {
    convert "$1" -fx "(abs(r - 13/255) < 0.02 && abs(g - 17/255) < 0.02 && abs(b - 21/255) < 0.02) ? 1 : 0" \
        -format "%[fx:round(mean * w * h)]" info:
}
# The window's client area, most of it the clear colour, is on screen.
viewer_shown() {
    [ "$(clear_colour_pixels "$1")" -gt 300000 ]
}

# The compositor takes the X server's keys while its window has the X
# focus, and gives them to the window it shows last. The focus is moved
# before the viewer starts: a move while it runs takes the keyboard from the
# viewer and may not give it back.
xdotool mousemove --window "$COMPOSITOR_WID" 550 450 windowfocus --sync "$COMPOSITOR_WID"
start_app env -u DISPLAY "$1"
wait_frames 3
wait_picture "the viewer's window composed" "$COMPOSITOR_WID" wayland-window.png viewer_shown
wait_picture "meshes turning" "$COMPOSITOR_WID" wayland-later.png \
    differs_from "$ARTIFACTS/wayland-window.png" 1100x870+0+30 2000
# Escape is polled once a frame, so it is held until the viewer ends.
xdotool keydown Escape
wait_exit "end after Escape"
xdotool keyup Escape
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after Escape"
grep -q "^zelqad:" "$APP_LOG" && fail "the viewer reported something"

# A picture for a file, drawn through the compositor since WAYLAND_DISPLAY
# names one.
shot="$ARTIFACTS/wayland-shot.png"
rm -f "$shot"
start_app env -u DISPLAY "$1" --screenshot "$shot"
wait_exit "end of the screenshot"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS of the screenshot"
size=$(identify -format "%wx%h" "$shot")
[ "$size" = 1024x768 ] || fail "the screenshot is $size"
lit_meshes "$shot" || fail "no lit meshes in the screenshot"
echo "PASS"
