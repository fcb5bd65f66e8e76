#!/usr/bin/env bash
# big_drop_test.sh VIEWER LOADBENCH: a big model dropped on the window loads
# while the frames go on: the frame-rate line keeps changing and a notice
# shows the file and its progress, until the new mesh takes the slot.
source "$(dirname "$0")/lib.sh"

# Two million triangles as text, about 190 MB: seconds of reading and
# preparing on this kind of machine.
work=$(mktemp -d)
at_exit "rm -rf '$work'"
big="$work/field.x"
"$2" write "$big" 1000 text || fail "the big model could not be written"

start_x_server
start_app "$1"
wait_window ZELQAd
wait_picture "frame-rate text" "$WID" start.png frame_rate_text

# loading_status: asks for a status line; LOADING is the load's progress
# in permille, -1 when none is under way, FRAMES the frames drawn.
loading_status() {
    frames_drawn
    LOADING=$(grep '^status:' "$APP_LOG" | tail -n 1 | awk '{print $9}')
}
loading_started() {
    loading_status
    [ "$LOADING" -ge 0 ]
}
loading_over() {
    loading_status
    [ "$LOADING" -lt 0 ]
}
# The notice under the frame-rate line: white text beside a progress bar.
notice_shown() {
    above "$(region_max "$1" 400x22+8+33)" 0.9
}

# A second picture while the same load goes on: its frame-rate line is not
# the first picture's. Or the load is over, and the drop is made again.
changed_or_over() {
    if notice_shown "$1" &&
        [ "$(differing "$ARTIFACTS/first.png" "$1" 300x24+8+8)" -gt 0 ]; then
        return 0
    fi
    loading_over
}

# Bottom left: mesh slot 1. On a fast machine a load can end before two
# pictures of it are taken; the file is then dropped again.
seen=0
for attempt in 1 2 3 4 5; do
    xdotool mousemove --window "$WID" 100 600
    /usr/bin/python3 "$E2E_DIR/xdnd-drop" "$WID" 100 600 "$big"
    wait_for "the load to start" loading_started
    # The status line comes before the frame that shows the notice.
    wait_picture "the loading notice" "$WID" first.png notice_shown
    loading_status
    [ "$LOADING" -ge 0 ] || continue
    first_frames=$FRAMES
    wait_picture "a new frame-rate line or the load's end" "$WID" second.png changed_or_over
    loading_status
    [ "$LOADING" -ge 0 ] || continue
    [ "$FRAMES" -gt "$first_frames" ] || fail "no frames drawn while the file loads"
    seen=1
    break
done
[ "$seen" = 1 ] || fail "every load ended before two pictures of it could be taken"

wait_for "the load to finish" loading_over
grep -q "field.x" "$APP_LOG" && fail "the big model was reported: $(grep field.x "$APP_LOG")"
# The new mesh in its slot: the picture is no longer the start-up one, and
# the notice is gone.
notice_gone() {
    ! notice_shown "$1"
}
wait_picture "the notice gone after the load" "$WID" after.png notice_gone
[ "$(differing "$ARTIFACTS/start.png" "$ARTIFACTS/after.png" "$MESHES")" -gt 1000 ] ||
    fail "the dropped mesh does not show"
xdotool mousemove --window "$WID" 512 384 keydown Escape
wait_exit "end after Escape"
echo "PASS"
