#!/usr/bin/env bash
# A long run of the real viewer under Xvfb: device losses (SIGUSR1), mesh and
# texture drops in every quarter, a model of a million triangles replaced
# four times, and frames for a while; at the end the live
# Direct3D objects must be back to their count at the start and the resident
# memory must not have grown. Run from the repository root:
#   tools/soak/soak.sh BINARY [LOSSES] [DROPS] [SECONDS]
set -euo pipefail
if [ -z "${ZQ_IN_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" env ZQ_IN_XVFB=1 "$0" "$@"
fi
binary=$1
losses=${2:-100}
drops=${3:-50}
seconds=${4:-120}
here=$(cd "$(dirname "$0")" && pwd)
log=$(mktemp)
work=$(mktemp -d)
trap 'rm -rf "$log" "$work"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true' EXIT

"$binary" 2>"$log" &
pid=$!
for _ in $(seq 1 100); do
    wid=$(xdotool search --name '^ZELQAd$' 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
done
[ -n "$wid" ] || { echo "no window"; exit 1; }
xdotool mousemove --window "$wid" 512 384

# status: the last status line's objects and resident memory, after asking.
status() {
    local before
    before=$(grep -c '^status:' "$log" || true)
    kill -USR2 "$pid"
    for _ in $(seq 1 100); do
        [ "$(grep -c '^status:' "$log" || true)" -gt "$before" ] && break
        sleep 0.1
    done
    grep '^status:' "$log" | tail -n 1
}
objects() { echo "$1" | awk '{print $3}'; }
resident() { echo "$1" | awk '{print $5}'; }

drop() { /usr/bin/python3 "$here/../../tests/e2e/xdnd-drop" "$wid" "$1" "$2" "$3"; }
meshes=(data/solid.x data/skin.x tests/utility/xfile/data/assimp_cube_text/cube_text.x
        tests/utility/xfile/data/jiji/jiji.x)
textures=(data/tex.tex data/stex.tex data/null.tex)
quarters=("100 100" "100 600" "900 100" "900 600")

loading() { echo "$1" | awk '{print $9}'; }
# big_drop: a model of a million triangles into mesh slot 0, waited for.
big_drop() {
    drop 100 100 "$big"
    local line
    line=$(status)
    while [ "$(loading "$line")" != -1 ]; do
        sleep 0.2
        line=$(status)
    done
    echo "$line"
}
big="$work/field.x"
"$(dirname "$binary")/../tools/bench/LoadBench" write "$big" 708 text

# Warm up: losses and drops of each kind, and a big model twice, so that the
# driver's caches and the allocator have settled before the first
# measurement: the software rasterizer keeps the memory that drawing the
# biggest mesh took it (a GPU driver keeps it on the GPU).
for i in $(seq 0 7); do
    read -r x y <<<"${quarters[$((i % 4))]}"
    if [ $((x)) -lt 512 ]; then drop "$x" "$y" "${meshes[$((i % 4))]}"; else drop "$x" "$y" "${textures[$((i % 3))]}"; fi
done
big_drop >/dev/null
big_drop >/dev/null
for i in $(seq 1 10); do kill -USR1 "$pid"; sleep 0.3; done
sleep 1
start=$(status)
echo "start: objects $(objects "$start") resident $(resident "$start") KiB"
began=$(date +%s)

for i in $(seq 1 "$drops"); do
    read -r x y <<<"${quarters[$((i % 4))]}"
    if [ $((x)) -lt 512 ]; then
        drop "$x" "$y" "${meshes[$((i % ${#meshes[@]}))]}"
    else
        drop "$x" "$y" "${textures[$((i % ${#textures[@]}))]}"
    fi
done
# A big model replaced by itself again and again: what one took goes back
# to the system when the next takes its place.
for i in 1 2 3 4; do
    echo "big model $i: resident $(resident "$(big_drop)") KiB"
done
for i in $(seq 1 "$losses"); do
    kill -USR1 "$pid"
    sleep 0.3
    kill -0 "$pid" || { echo "the viewer died after loss $i"; cat "$log"; exit 1; }
done
left=$((seconds - ($(date +%s) - began)))
[ "$left" -gt 0 ] && sleep "$left"
kill -USR1 "$pid"; sleep 1.5 # the start-up files back, as at the start
end=$(status)
echo "end:   objects $(objects "$end") resident $(resident "$end") KiB"
echo "ran $(( $(date +%s) - began )) s: $losses losses, $drops drops"
grep -E '^zelqad: (Failed|Error|HLSL Error|Info):' "$log" && { echo "the viewer showed a message"; exit 1; }
[ "$(objects "$end")" = "$(objects "$start")" ] || { echo "FAIL: Direct3D objects leaked"; exit 1; }
growth=$(( $(resident "$end") - $(resident "$start") ))
# The driver's own caches move by a few MiB; a leak grows with the number of
# losses and drops, far beyond that.
[ "$growth" -le 8192 ] || { echo "FAIL: resident memory grew by $growth KiB"; exit 1; }
echo "PASS"
