#!/usr/bin/env bash
# A model's animation set: pictures at two times show two poses, and the
# same time twice the same one; in the window the line under the frame rate
# tells the time as it plays, P pauses it there and '.' steps it on.
source "$(dirname "$0")/lib.sh"
APP=$1
ARM="$E2E_DIR/../app/data/animated/arm.x"

picture_at() {
    "$APP" --grid 1 --fit --time "$1" --screenshot "$ARTIFACTS/$2" "$ARM" ||
        fail "no picture at $1 s"
}
picture_at 0 rest.png
picture_at 0.5 swung.png
picture_at 0.5 swung-again.png
[ "$(differing "$ARTIFACTS/rest.png" "$ARTIFACTS/swung.png" "$MESHES")" -gt 1000 ] ||
    fail "the pictures at 0 and 0.5 s show one pose"
[ "$(differing "$ARTIFACTS/swung.png" "$ARTIFACTS/swung-again.png" "$MESHES")" = 0 ] ||
    fail "two pictures at 0.5 s differ"

start_x_server
start_app "$APP" --grid 1 "$ARM"
wait_window ZELQAd
wait_drawing "$WID"
# The line under the frame rate, where the time of the set is told.
STATUS=420x22+8+32
above "$(region_max "$ARTIFACTS/.drawing.png" "$STATUS")" 0.9 || fail "no line of what plays"
capture "$WID" playing.png
wait_picture "the time of the set moving on" "$WID" playing.later.png \
    differs_from "$ARTIFACTS/playing.png" "$STATUS" 20

# status_still FILE: the line stays the same over some frames (FILE holds it).
status_still() {
    capture "$WID" "$1"
    wait_frames 4
    capture "$WID" .still.png
    [ "$(differing "$ARTIFACTS/$1" "$ARTIFACTS/.still.png" "$STATUS")" = 0 ]
}
xdotool mousemove --window "$WID" 512 384 keydown p
wait_for "the animation paused" status_still paused.png
xdotool keyup p
xdotool keydown period
wait_picture "a step forward" "$WID" stepped.png differs_from "$ARTIFACTS/paused.png" "$STATUS" 20
xdotool keyup period
wait_for "the animation still paused after the step" status_still stepped-still.png

close_window "$WID"
wait_exit "end after the close request"
echo "PASS"
