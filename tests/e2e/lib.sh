# Shared steps of the whole-program tests. Source it, then call
# start_x_server (unless the test wants no display at all), and
# start_compositor for a Wayland one.
#
# Every wait polls a condition and gives up after WAIT_LIMIT seconds, or at
# once when the viewer, the X server or the compositor has ended, with a
# message that names what it waited for: a loaded machine only makes the
# tests slower.
set -euo pipefail

# The caller's environment must not change the outcome: no inherited video
# driver or other SDL setting, no OpenGL driver override, no display but
# the test's own, and numbers read and written in one locale.
for name in $(compgen -e); do
    case $name in
        SDL_* | MESA_* | LIBGL_* | GALLIUM_* | LP_* | __GLX_* | __EGL_* | DISPLAY | \
            WAYLAND_DISPLAY | WAYLAND_SOCKET | XDG_RUNTIME_DIR | XAUTHORITY) unset "$name" ;;
    esac
done
export LC_ALL=C

# A command that fails outside the checks still says where.
trap 'echo "FAIL: $0 line $LINENO: $BASH_COMMAND" >&2' ERR

WAIT_LIMIT=${ZQ_E2E_WAIT_LIMIT:-60}
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ARTIFACTS=${ZQ_E2E_ARTIFACTS:-${TMPDIR:-/tmp}/zelqad-e2e}
mkdir -p "$ARTIFACTS"
APP_PID=""
ENDING_PID="" # the viewer while its end is awaited
APP_LOG="$ARTIFACTS/app.log"
XVFB_PID=""
COMPOSITOR_PID=""
CLEANUPS=()

# at_exit COMMAND: runs COMMAND when the test ends, after the viewer and the
# servers have been stopped.
at_exit() {
    CLEANUPS+=("$1")
}

# Whatever ends the test, nothing it started outlives it (a server left
# behind would also keep the test's output open), and each is reaped here.
finish() {
    set +e
    local pid
    for pid in "$APP_PID" "$ENDING_PID"; do
        [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    [ -n "$COMPOSITOR_PID" ] && kill "$COMPOSITOR_PID" 2>/dev/null && wait "$COMPOSITOR_PID"
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID"
    local cleanup
    for cleanup in "${CLEANUPS[@]}"; do
        eval "$cleanup"
    done
}
trap finish EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$APP_LOG" ] && sed 's/^/  app: /' "$APP_LOG" >&2
    exit 1
}

# wait_for WHAT COMMAND...: runs COMMAND until it succeeds.
wait_for() {
    local what=$1 deadline=$((SECONDS + WAIT_LIMIT))
    shift
    until "$@"; do
        if [ -n "$APP_PID" ] && ! kill -0 "$APP_PID" 2>/dev/null; then
            fail "the viewer ended while waiting for $what"
        fi
        if [ -n "$XVFB_PID" ] && ! kill -0 "$XVFB_PID" 2>/dev/null; then
            fail "the X server ended while waiting for $what"
        fi
        if [ -n "$COMPOSITOR_PID" ] && ! kill -0 "$COMPOSITOR_PID" 2>/dev/null; then
            fail "the Wayland compositor ended while waiting for $what"
        fi
        [ "$SECONDS" -lt "$deadline" ] || fail "no $what within $WAIT_LIMIT s"
        sleep 0.1
    done
}

# start_x_server [XVFB_ARGS...]: a private X server for this test, on a
# display number that the server picks itself, so that tests running side
# by side never compete for one.
start_x_server() {
    local number="$ARTIFACTS/.display"
    rm -f "$number"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset "$@" \
        3>"$number" 2>"$ARTIFACTS/xvfb.log" &
    XVFB_PID=$!
    wait_for "X server ready" test -s "$number"
    export DISPLAY=":$(cat "$number")"
}

# start_compositor BACKEND [WESTON_ARGS...]: a private Weston for this test,
# in a runtime directory of its own, which XDG_RUNTIME_DIR and
# WAYLAND_DISPLAY then name. headless-backend.so offers no input seat;
# x11-backend.so shows its output in a window on the X server, with the X
# server's keyboard and pointer as its seat.
start_compositor() {
    local backend=$1
    shift
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    at_exit 'rm -rf "$XDG_RUNTIME_DIR"'
    export WAYLAND_DISPLAY=zelqad-e2e
    weston --backend="$backend" --socket="$WAYLAND_DISPLAY" --idle-time=0 "$@" \
        >"$ARTIFACTS/weston.log" 2>&1 &
    COMPOSITOR_PID=$!
    wait_for "Wayland compositor ready" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
}

# kill_server NAME: ends the server whose process the variable NAME holds
# (XVFB_PID, COMPOSITOR_PID) as a crash would, and forgets it.
kill_server() {
    local pid=${!1}
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
    printf -v "$1" ''
}

# start_app_in DIR COMMAND...: starts the viewer in DIR in the background,
# its output in APP_LOG. SIGINT is let through, which a background job of a
# script would otherwise inherit as ignored.
start_app_in() {
    local dir=$1
    shift
    (cd "$dir" && exec env --default-signal=INT "$@") >"$APP_LOG" 2>&1 &
    APP_PID=$!
}

# start_app COMMAND...: the same, in the repository root (./data).
start_app() {
    start_app_in . "$@"
}

# make_failing_data: FAILING_DATA, a directory to start the viewer in whose
# data lacks data/skin.x, so that the start fails at the second mesh.
make_failing_data() {
    FAILING_DATA=$(mktemp -d)
    at_exit 'rm -rf "$FAILING_DATA"'
    mkdir "$FAILING_DATA/data"
    local f
    for f in "$PWD"/data/*; do
        ln -s "$f" "$FAILING_DATA/data/"
    done
    rm "$FAILING_DATA/data/skin.x"
}

process_gone() {
    ! kill -0 "$1" 2>/dev/null
}

# wait_exit WHAT: waits for the viewer to end; its status goes to
# EXIT_STATUS.
wait_exit() {
    ENDING_PID=$APP_PID
    APP_PID="" # its end is awaited now, not a failure
    wait_for "$1" process_gone "$ENDING_PID"
    EXIT_STATUS=0
    wait "$ENDING_PID" || EXIT_STATUS=$?
    ENDING_PID=""
}

window_named() {
    WID=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$WID" ]
}

# wait_window NAME: sets WID to the first window with that exact name.
wait_window() {
    wait_for "window named $1" window_named "$1"
}

close_window() {
    /usr/bin/python3 "$E2E_DIR/xclose.py" "$1"
}

capture() {
    import -window "$1" "$ARTIFACTS/$2"
}

captured_and() {
    local wid=$1 file=$2
    shift 2
    capture "$wid" "$file" && "$@" "$ARTIFACTS/$file"
}

# wait_picture WHAT WINDOW FILE CHECK...: captures the window into FILE (in
# the artifacts) until CHECK, called with the file's path last, holds.
wait_picture() {
    local what=$1
    shift
    wait_for "$what" captured_and "$@"
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

# The middle of the window, where the meshes turn.
MESHES=700x300+162+230

# Checks on a captured picture, for wait_picture.
frame_rate_text() {
    above "$(region_max "$1" 300x24+8+8)" 0.9
}
lit_meshes() {
    above "$(region_mean "$1" "$MESHES")" 0.12
}
# differs_from BEFORE REGION COUNT IMAGE: more than COUNT pixels of the
# region differ between the two pictures.
differs_from() {
    [ "$(differing "$1" "$4" "$2")" -gt "$3" ]
}

# The window with a frame drawn in it: the viewer runs its loop.
wait_drawing() {
    wait_picture "frame-rate text on screen" "$1" .drawing.png frame_rate_text
}

# wait_turning WINDOW FILE: captures FILE, then waits until the meshes have
# turned since.
wait_turning() {
    capture "$1" "$2"
    wait_picture "meshes turning" "$1" "$2.later.png" differs_from "$ARTIFACTS/$2" "$MESHES" 2000
}

# find_box CAPTION: sets BOX to the id of a message box with that caption.
# SDL's boxes carry no class, which xdotool's search needs, so xwininfo
# finds them.
box_captioned() {
    BOX=$(xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" '$2 == name {print $1; exit}')
    [ -n "$BOX" ]
}
find_box() {
    wait_for "box captioned $1" box_captioned "$1"
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

# A red texture set and checks for it on the meshes: REDDISH_BASE is the
# count with the start-up textures (set it first).
RED_TEXTURE="$ARTIFACTS/red.png"
convert -size 16x16 xc:'#FF0000' "$RED_TEXTURE"
red_drawn() {
    above "$(count_reddish "$1")" "$((REDDISH_BASE + 5000))"
}
start_up_textures() {
    ! red_drawn "$1"
}

# click_button WINDOW X Y REGION: a left click on a button, each step held
# until the viewer has shown it: the pointer seen over the button for a few
# frames, the button looking pressed (REGION changes), then up again
# (REGION changes once more, into .released.png).
click_button() {
    local wid=$1 x=$2 y=$3 region=$4
    xdotool mousemove --window "$wid" "$x" "$y"
    wait_frames 2
    capture "$wid" .unpressed.png
    xdotool mousedown 1
    wait_picture "button at $x,$y pressed" "$wid" .pressed.png \
        differs_from "$ARTIFACTS/.unpressed.png" "$region" 30
    xdotool mouseup 1
    wait_picture "button at $x,$y released" "$wid" .released.png \
        differs_from "$ARTIFACTS/.pressed.png" "$region" 30
}

status_lines() {
    grep -c '^status:' "$APP_LOG" || true
}
more_status_lines_than() {
    [ "$(status_lines)" -gt "$1" ]
}

# catches_status_signal: the viewer has its SIGUSR2 handler in place, so
# that the signal asks for a status line instead of ending it.
# It waits, too, for the drawing device's threads: a signal sent while SDL
# is still starting the video (seen under a loaded Wayland compositor) can
# end the viewer although the handler shows as installed.
catches_status_signal() {
    local caught threads
    caught=$(awk '/^SigCgt:/ {print $2}' "/proc/$APP_PID/status" 2>/dev/null) &&
        threads=$(awk '/^Threads:/ {print $2}' "/proc/$APP_PID/status" 2>/dev/null) &&
        [ $((16#$caught >> ($(kill -l USR2) - 1) & 1)) = 1 ] && [ "$threads" -gt 1 ]
}

# frames_drawn: asks the viewer for a status line (SIGUSR2) and sets FRAMES
# to the count of frames it has drawn.
frames_drawn() {
    local before
    wait_for "status signal handled" catches_status_signal
    before=$(status_lines)
    kill -USR2 "$APP_PID"
    wait_for "status line" more_status_lines_than "$before"
    FRAMES=$(grep '^status:' "$APP_LOG" | tail -n 1 | awk '{print $7}')
}
frames_beyond() {
    frames_drawn
    [ "$FRAMES" -ge "$1" ]
}

# wait_frames COUNT: waits until the viewer has drawn COUNT more frames: it
# answers and its loop goes on.
wait_frames() {
    frames_drawn
    wait_for "$1 more frames drawn" frames_beyond $((FRAMES + $1))
}
