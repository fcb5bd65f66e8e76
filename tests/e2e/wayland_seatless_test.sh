#!/usr/bin/env bash
# A Wayland compositor without an input seat (Weston's headless one), on
# which SDL's Wayland driver cannot start: the viewer says so and ends with
# status 1, whether Wayland is its only display, the one asked for, or the
# one after an X display that cannot be opened; where an X display can be
# opened, the window is shown there, X11 being tried first.
source "$(dirname "$0")/lib.sh"
start_compositor headless-backend.so
seatless="the Wayland display of WAYLAND_DISPLAY=$WAYLAND_DISPLAY offers no input seat"

# expect_refusal WHAT MESSAGE COMMAND...: the viewer ends with status 1 and
# MESSAGE as its only line on stderr.
expect_refusal() {
    local what=$1 message=$2
    shift 2
    start_app "$@"
    wait_exit "end $what"
    [ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS $what"
    [ "$(cat "$APP_LOG")" = "zelqad: $message" ] || fail "not the one message $what"
}

expect_refusal "on the compositor alone" "no display to show the window on: $seatless" "$1"
expect_refusal "with the Wayland driver asked for" "no display to show the window on: $seatless" \
    env SDL_VIDEODRIVER=wayland "$1"
expect_refusal "taking a picture on the compositor" "no display to show the window on: $seatless" \
    "$1" --screenshot "$ARTIFACTS/seatless.png"
[ ! -e "$ARTIFACTS/seatless.png" ] || fail "a picture was written"

number=1000
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
done
expect_refusal "after an X display that cannot be opened" \
    "no display to show the window on: cannot open the display of DISPLAY=:$number, and $seatless" \
    env DISPLAY=":$number" "$1"

start_x_server
start_app "$1"
wait_window ZELQAd
wait_drawing "$WID"
close_window "$WID"
wait_exit "end after the close request"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS on the X display"
grep -q "^zelqad:" "$APP_LOG" && fail "the run on the X display reported something"
echo "PASS"
