# Shared steps of the whole-program tests. Source it; it re-runs the calling
# script inside its own Xvfb server when there is no display yet.
set -euo pipefail

if [ -z "${ZQ_IN_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" env ZQ_IN_XVFB=1 "$0" "$@"
fi

# A command that fails outside the checks still says where.
trap 'echo "FAIL: $0 line $LINENO: $BASH_COMMAND" >&2' ERR

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ARTIFACTS=${ZQ_E2E_ARTIFACTS:-${TMPDIR:-/tmp}/zelqad-e2e}
mkdir -p "$ARTIFACTS"
APP_PID=""
APP_LOG="$ARTIFACTS/app.log"

fail() {
    echo "FAIL: $*" >&2
    [ -f "$APP_LOG" ] && sed 's/^/  app: /' "$APP_LOG" >&2
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    exit 1
}

# start_app BINARY [ARGS...]: starts the viewer in the background.
start_app() {
    "$@" >"$APP_LOG" 2>&1 &
    APP_PID=$!
}

# wait_window NAME: prints the id of the first window with that exact name.
wait_window() {
    local id=""
    for _ in $(seq 1 100); do
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$APP_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# wait_exit SECONDS: waits for the viewer to end; its status goes to
# EXIT_STATUS. Fails when it is still running after that long.
wait_exit() {
    local waited=0
    while kill -0 "$APP_PID" 2>/dev/null; do
        sleep 0.1
        waited=$((waited + 1))
        [ "$waited" -ge $(($1 * 10)) ] && return 1
    done
    EXIT_STATUS=0
    wait "$APP_PID" || EXIT_STATUS=$?
    APP_PID=""
}

close_window() {
    /usr/bin/python3 "$E2E_DIR/xclose.py" "$1"
}

capture() {
    import -window "$1" "$ARTIFACTS/$2"
}

# hold_keys WINDOW KEYS...: presses the keys together over the window for a
# few frames, so the paced snapshot sees them down, then lets go.
hold_keys() {
    local wid=$1
    shift
    xdotool mousemove --window "$wid" 512 384
    xdotool keydown "$@"
    sleep 0.2
    xdotool keyup "$@"
}

# region_max IMAGE WxH+X+Y: the brightest channel value (0..1) in a region.
region_max() {
    convert "$1" -crop "$2" +repage -format "%[fx:maxima]" info:
}

# region_mean IMAGE WxH+X+Y: the mean value (0..1) in a region.
region_mean() {
    convert "$1" -crop "$2" +repage -format "%[fx:mean]" info:
}

# above A B: true when the number A is greater than B.
above() {
    awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'
}

# find_box CAPTION: the id of a message box with that caption. SDL's boxes
# carry no class, which xdotool's search needs, so xwininfo finds them.
find_box() {
    local id=""
    for _ in $(seq 1 100); do
        id=$(xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" '$2 == name {print $1; exit}')
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# press_ok BOX: clicks the OK button, centred at the bottom of the box.
press_ok() {
    local w h
    w=$(xwininfo -id "$1" | awk '/Width:/ {print $2}')
    h=$(xwininfo -id "$1" | awk '/Height:/ {print $2}')
    xdotool mousemove --window "$1" $((w / 2)) $((h - 26)) click 1
}

# no_boxes: true when no message box is open.
no_boxes() {
    ! xwininfo -root -tree | grep -qE '"(Failed|Info|Error|HLSL Error)":'
}

# pixel IMAGE X Y: the RRGGBB of one pixel.
pixel() {
    convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6
}

# near_colour RRGGBB RRGGBB TOLERANCE: each channel within the tolerance.
near_colour() {
    local a=$1 b=$2 t=$3 i
    for i in 0 2 4; do
        local x=$((16#${a:$i:2})) y=$((16#${b:$i:2}))
        [ $((x > y ? x - y : y - x)) -le "$t" ] || return 1
    done
}

# differing IMAGE IMAGE WxH+X+Y: how many pixels of the region differ.
differing() {
    convert "$1" -crop "$3" +repage "$ARTIFACTS/.a.png"
    convert "$2" -crop "$3" +repage "$ARTIFACTS/.b.png"
    compare -metric AE -fuzz 3% "$ARTIFACTS/.a.png" "$ARTIFACTS/.b.png" null: 2>&1 | cut -d' ' -f1
}

# count_reddish IMAGE: pixels whose red clearly outweighs green and blue.
count_reddish() {
    convert "$1" -fx "(r > 0.25 && r > 2.5 * g && r > 2.5 * b) ? 1 : 0" -format "%[fx:mean * w * h]" info:
}

# click_at WINDOW X Y: a left click held over a few frames.
click_at() {
    xdotool mousemove --window "$1" "$2" "$3"
    sleep 0.6
    xdotool mousedown 1
    sleep 0.6
    xdotool mouseup 1
    sleep 0.6
}
