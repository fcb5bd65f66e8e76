#!/usr/bin/env bash
# SIGTERM and SIGINT end the viewer as a close request does, with status 1
# and nothing left on screen: while it draws, and while a message box of a
# failed start waits for an answer (the box is a process of its own).
source "$(dirname "$0")/lib.sh"
make_failing_data
start_x_server

no_window() {
    ! window_named ZELQAd
}

for signal in TERM INT; do
    start_app "$1"
    wait_window ZELQAd
    wait_drawing "$WID"
    kill -"$signal" "$APP_PID"
    wait_exit "end after SIG$signal"
    [ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after SIG$signal"
    grep -q "^zelqad:" "$APP_LOG" && fail "a message after SIG$signal"
    wait_for "window gone after SIG$signal" no_window

    start_app_in "$FAILING_DATA" "$1"
    find_box Failed
    kill -"$signal" "$APP_PID"
    wait_exit "end after SIG$signal with a box open"
    [ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS after SIG$signal with a box open"
    wait_for "box gone after SIG$signal" no_boxes
    wait_for "window gone after SIG$signal with a box open" no_window
done
echo "PASS"
