#!/usr/bin/env bash
# The real binary opens "ZELQAd" with a 1024 x 768 client area; closing the
# window, or Alt+F4, ends the process with status 1.
source "$(dirname "$0")/lib.sh"

start_app "$1"
wid=$(wait_window ZELQAd) || fail "no window named ZELQAd"
geometry=$(xdotool getwindowgeometry "$wid" | grep Geometry | awk '{print $2}')
[ "$geometry" = "1024x768" ] || fail "client area is $geometry"
sleep 1
capture "$wid" window.png
# The frame-rate line in white at the top left; the ground grid below the
# horizon; the clear colour, dimmed for the glow, far from everything.
above "$(region_max "$ARTIFACTS/window.png" 300x24+8+8)" 0.9 || fail "no frame-rate text"
above "$(region_max "$ARTIFACTS/window.png" 1024x200+0+560)" 0.2 || fail "no ground grid"
corner=$(pixel "$ARTIFACTS/window.png" 1010 100)
near_colour "$corner" 0D1115 3 || fail "clear colour is $corner"
close_window "$wid"
wait_exit 10 || fail "still running after the close request"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"

# Alt+F4 ends the loop by polling, with no window manager to turn it into a
# close request.
start_app "$1"
wid=$(wait_window ZELQAd) || fail "no window named ZELQAd (second start)"
sleep 0.3
hold_keys "$wid" Alt_L F4
wait_exit 10 || fail "Alt+F4 did not end the program"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after Alt+F4"
echo "PASS"
