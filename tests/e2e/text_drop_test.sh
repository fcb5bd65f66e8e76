#!/usr/bin/env bash
# A file manager that offers a drop as plain text only (a list of file URIs)
# drops those files all the same: a red texture set dropped as text on the
# texture side shows on the meshes.
source "$(dirname "$0")/lib.sh"
start_x_server

start_app "$1"
wait_window ZELQAd
wait_drawing "$WID"
capture "$WID" start.png
REDDISH_BASE=$(count_reddish "$ARTIFACTS/start.png")
/usr/bin/python3 "$E2E_DIR/xdnd-drop" --as-text "$WID" 900 100 "$RED_TEXTURE" ||
    fail "the text drop was refused"
wait_picture "texture set dropped as text drawn" "$WID" dropped.png red_drawn
grep -q "dropped text ignored" "$APP_LOG" && fail "the text was taken for something else"
close_window "$WID"
wait_exit "end after the close request"
echo "PASS"
