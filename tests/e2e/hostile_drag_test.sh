#!/usr/bin/env bash
# Drags whose source window has gone make the viewer's requests about them
# fail with X errors (BadWindow), and drags whose types name no atom offer
# nothing it knows; none of them ends the viewer. It logs the errors, refuses
# those drags, keeps drawing and still takes an ordinary drop.
source "$(dirname "$0")/lib.sh"
start_x_server

drop() {
    /usr/bin/python3 "$E2E_DIR/xdnd-drop" "$@"
}
logged_x_error() {
    grep -q "^zelqad: X error about another client's resource, ignored: $1" "$APP_LOG"
}

start_app "$1"
wait_window ZELQAd
wait_drawing "$WID"
capture "$WID" start.png
REDDISH_BASE=$(count_reddish "$ARTIFACTS/start.png")

# XdndEnter, XdndPosition and XdndDrop naming a window that no longer
# exists.
drop --source-gone "$WID" 200 200
wait_for "BadWindow logged" logged_x_error BadWindow
wait_frames 3

# A source that destroys its window right after XdndDrop.
drop --vanish-on-drop "$WID" 900 100 "$RED_TEXTURE"
wait_frames 3

# Types that name no atom, in the message and in a type list: the viewer
# refuses the drag and carries on.
drop --bogus-types "$WID" 200 200 || fail "a drag of types that do not exist: no refusal"
wait_frames 3

# Twenty ordinary drops started 0.05 s apart, crossing each other; some may
# fail, none may end the viewer.
drops=()
for _ in $(seq 1 20); do
    drop "$WID" 900 100 "$RED_TEXTURE" >/dev/null 2>&1 &
    drops+=($!)
    sleep 0.05
done
for pid in "${drops[@]}"; do
    wait "$pid" || true
done
wait_frames 3

# Still answering: after a device loss has brought the start-up textures
# back, an ordinary drop is taken and drawn.
kill -USR1 "$APP_PID"
wait_picture "start-up textures back after a loss" "$WID" restored.png start_up_textures
drop "$WID" 900 100 "$RED_TEXTURE" || fail "the last drop was refused"
wait_picture "dropped texture set drawn" "$WID" dropped.png red_drawn

close_window "$WID"
wait_exit "end after the close request"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
