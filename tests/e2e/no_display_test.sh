#!/usr/bin/env bash
# Without a display the viewer says which one is missing and ends with
# status 1, rather than running unseen; a driver asked for by name (the
# offscreen one) is used as asked, without a display.
source "$(dirname "$0")/lib.sh"

start_app "$1"
wait_exit "end without a display"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS without a display"
grep -q "^zelqad: .*neither DISPLAY nor WAYLAND_DISPLAY is set" "$APP_LOG" ||
    fail "no message naming the missing display"

# A display that cannot be opened: a number that no server has taken.
number=1000
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
done
start_app env DISPLAY=":$number" "$1"
wait_exit "end with a display that cannot be opened"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS with DISPLAY=:$number"
grep -q "^zelqad: .*DISPLAY=:$number" "$APP_LOG" || fail "no message naming DISPLAY=:$number"

start_app env SDL_VIDEODRIVER=offscreen "$1"
wait_frames 3
kill -TERM "$APP_PID"
wait_exit "end of the offscreen run after SIGTERM"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS of the offscreen run"
grep -q "^zelqad:" "$APP_LOG" && fail "the offscreen run reported something"
echo "PASS"
