#!/usr/bin/env bash
# Without data/skin.x the viewer says so in a box captioned "Failed" and ends
# with status 1 once the box is closed.
source "$(dirname "$0")/lib.sh"
make_failing_data
start_x_server

start_app_in "$FAILING_DATA" "$1"
find_box Failed
grep -qx "zelqad: Failed: Load Mesh from X" "$APP_LOG" || fail "the message is not on stderr once"
capture root failed.png
press_ok "$BOX"
wait_exit "end after the box was closed"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
