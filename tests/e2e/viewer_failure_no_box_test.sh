#!/usr/bin/env bash
# Where no message box can be shown (an X server without the core fonts
# that SDL's box draws with), the failed start ends as after a closed box:
# the message and the reason for the missing box on stderr, status 1.
source "$(dirname "$0")/lib.sh"
make_failing_data
start_x_server -fp built-ins

# No dialog tool on the path to fall back on either.
start_app_in "$FAILING_DATA" env PATH=/nonexistent "$1"
wait_exit "end after a box that could not be shown"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"
grep -qx "zelqad: Failed: Load Mesh from X" "$APP_LOG" || fail "the message is not on stderr once"
grep -q "^zelqad: no message box could be shown (" "$APP_LOG" ||
    fail "stderr does not say that the box could not be shown"
no_boxes || fail "a box is open after all"
echo "PASS"
