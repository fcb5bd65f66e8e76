#!/usr/bin/env bash
# A device loss injected with SIGUSR1 is survived and drawing goes on; a
# texture set dropped on the window replaces slot 0's until the next loss
# brings the start-up files back.
source "$(dirname "$0")/lib.sh"
start_x_server

start_app "$1"
wait_window ZELQAd
wait_drawing "$WID"
xdotool mousemove --window "$WID" 512 700
kill -USR1 "$APP_PID"
# The loss shows at the next present, which resets the device at once.
wait_frames 3
no_boxes || fail "a message box is open after the reset"
wait_turning "$WID" after-loss.png
lit_meshes "$ARTIFACTS/after-loss.png" || fail "nothing drawn after the reset"

REDDISH_BASE=$(count_reddish "$ARTIFACTS/after-loss.png")
/usr/bin/python3 "$E2E_DIR/xdnd-drop" "$WID" 900 100 "$RED_TEXTURE" || fail "the drop was refused"
wait_picture "dropped texture set drawn" "$WID" dropped.png red_drawn

kill -USR1 "$APP_PID"
wait_picture "start-up textures back after the next loss" "$WID" restored.png start_up_textures

close_window "$WID"
wait_exit "end after the close request"
echo "PASS"
