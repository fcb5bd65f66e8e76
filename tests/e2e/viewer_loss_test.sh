#!/usr/bin/env bash
# A device loss injected with SIGUSR1 is survived and drawing goes on; a
# texture set dropped on the window replaces slot 0's until the next loss
# brings the start-up files back.
source "$(dirname "$0")/lib.sh"

red="$ARTIFACTS/red.png"
convert -size 16x16 xc:'#FF0000' "$red"
start_app "$1"
wid=$(wait_window ZELQAd) || fail "no window named ZELQAd"
sleep 2
xdotool mousemove --window "$wid" 512 700
kill -USR1 "$APP_PID"
sleep 2
kill -0 "$APP_PID" || fail "the viewer died after a device loss"
no_boxes || fail "a message box is open after the reset"
capture "$wid" after-loss.png
sleep 0.5
capture "$wid" after-loss-2.png
above "$(region_mean "$ARTIFACTS/after-loss.png" 700x300+162+230)" 0.12 ||
    fail "nothing drawn after the reset"
[ "$(differing "$ARTIFACTS/after-loss.png" "$ARTIFACTS/after-loss-2.png" 700x300+162+230)" -gt 2000 ] ||
    fail "drawing stopped after the reset"

before=$(count_reddish "$ARTIFACTS/after-loss.png")
/usr/bin/python3 "$E2E_DIR/xdnd-drop" "$wid" 900 100 "$red" || fail "the drop was refused"
sleep 2
capture "$wid" dropped.png
dropped=$(count_reddish "$ARTIFACTS/dropped.png")
above "$dropped" "$((before + 5000))" || fail "the dropped texture set is not drawn ($before -> $dropped)"

kill -USR1 "$APP_PID"
sleep 2.5
capture "$wid" restored.png
restored=$(count_reddish "$ARTIFACTS/restored.png")
above "$((before + 5000))" "$restored" || fail "the start-up textures did not come back ($restored)"

close_window "$wid"
wait_exit 20 || fail "still running after the close request"
echo "PASS"
