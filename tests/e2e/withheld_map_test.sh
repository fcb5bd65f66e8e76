#!/usr/bin/env bash
# A window manager that drops the viewer's first request to show its window
# (as one still starting up does) shows it on the next, and the viewer
# draws; one that never shows it leaves the viewer running all the same,
# with a note, and a close request ends it. Before, the viewer waited for
# ever for its window to be shown: nothing drawn, no close request read.
source "$(dirname "$0")/lib.sh"
start_x_server

# start_manager MODE: the withholding window manager, ready for requests.
start_manager() {
    local ready="$ARTIFACTS/.manager-ready"
    rm -f "$ready"
    /usr/bin/python3 "$E2E_DIR/withholding-wm" "$1" "$ready" 2>>"$ARTIFACTS/manager.log" &
    MANAGER_PID=$!
    wait_for "window manager ready" test -s "$ready"
}
stop_manager() {
    kill "$MANAGER_PID"
    wait "$MANAGER_PID" 2>/dev/null || true
}

start_manager --drops-first
start_app "$1"
wait_window ZELQAd
wait_drawing "$WID"
close_window "$WID"
wait_exit "end after the close request, the window shown on the second request"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"
stop_manager

start_manager --never-maps
start_app "$1"
wait_window ZELQAd
wait_for "the note of a window not shown" grep -qx \
    "zelqad: the window manager has not shown the window within 5 s" "$APP_LOG"
wait_frames 3
close_window "$WID"
wait_exit "end after the close request, the window never shown"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"
stop_manager
echo "PASS"
