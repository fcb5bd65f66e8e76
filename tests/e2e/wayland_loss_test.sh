#!/usr/bin/env bash
# A compositor that dies under the viewer ends it at once with status 1 and
# a line that says so, as an X server that dies does (Xlib ends the
# process); it does not go on drawing into the lost connection.
source "$(dirname "$0")/lib.sh"
start_x_server
start_compositor x11-backend.so --use-pixman --width=1100 --height=900

start_app env -u DISPLAY "$1"
wait_frames 3
kill_server COMPOSITOR_PID
wait_exit "end after the compositor died"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after the compositor died"
lost="zelqad: lost the connection to the Wayland display of WAYLAND_DISPLAY=$WAYLAND_DISPLAY"
grep -qxE "$lost: (Broken pipe|Connection reset by peer)" "$APP_LOG" ||
    fail "no line saying that the connection was lost"

# The same with the X server under the viewer.
start_app "$1"
wait_window ZELQAd
wait_drawing "$WID"
kill_server XVFB_PID
wait_exit "end after the X server died"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after the X server died"
echo "PASS"
