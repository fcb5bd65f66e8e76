#!/usr/bin/env bash
# The real binary opens "ZELQAd" with a 1024 x 768 client area; closing the
# window, or Alt+F4, ends the process with status 1.
source "$(dirname "$0")/lib.sh"
start_x_server

start_app "$1"
wait_window ZELQAd
geometry=$(xdotool getwindowgeometry "$WID" | grep Geometry | awk '{print $2}')
[ "$geometry" = "1024x768" ] || fail "client area is $geometry"
wait_picture "frame-rate text on screen" "$WID" window.png frame_rate_text
# The ground grid below the horizon; the clear colour, dimmed for the glow,
# far from everything.
above "$(region_max "$ARTIFACTS/window.png" 1024x200+0+560)" 0.2 || fail "no ground grid"
corner=$(pixel "$ARTIFACTS/window.png" 1010 100)
near_colour "$corner" 0D1115 3 || fail "clear colour is $corner"
close_window "$WID"
wait_exit "end after the close request"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"

# Alt+F4 ends the loop by polling, with no window manager to turn it into a
# close request.
start_app "$1"
wait_window ZELQAd
wait_drawing "$WID"
xdotool mousemove --window "$WID" 512 384 keydown Alt_L F4
wait_exit "end after Alt+F4"
xdotool keyup Alt_L F4
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after Alt+F4"
echo "PASS"
