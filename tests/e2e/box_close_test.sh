#!/usr/bin/env bash
# A close request to the window while a message box is up over it ends the
# viewer, box and all, with status 1: the box's thread reads no events of
# the window, so before, the request waited unseen and the window, black
# under the box, looked hung.
source "$(dirname "$0")/lib.sh"
start_x_server

# Data of its own, so that a start-up file can go while the viewer runs.
DATA_DIR=$(mktemp -d)
at_exit 'rm -rf "$DATA_DIR"'
mkdir "$DATA_DIR/data"
for f in "$PWD"/data/*; do
    ln -s "$f" "$DATA_DIR/data/"
done

start_app_in "$DATA_DIR" "$1"
wait_window ZELQAd
wait_drawing "$WID"

# A reset reads the start-up files again: without data/skin.x it says so in
# a box, and the viewer waits there.
rm "$DATA_DIR/data/skin.x"
kill -USR1 "$APP_PID"
find_box Failed
capture root box.png

close_window "$WID"
wait_exit "end on a close request while the box is up"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"
no_boxes || fail "the box outlived the viewer"
grep -qx "zelqad: Failed: Load Mesh from X" "$APP_LOG" || fail "the box's message is not on stderr"
echo "PASS"
