# Shared steps of the whole-program tests. Source it; it re-runs the calling
# script inside its own Xvfb server when there is no display yet.
set -euo pipefail

if [ -z "${ZQ_IN_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" env ZQ_IN_XVFB=1 "$0" "$@"
fi

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
