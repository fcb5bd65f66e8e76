#!/usr/bin/env bash
# Without data/skin.x the viewer says so in a box captioned "Failed" and ends
# with status 1 once the box is closed.
source "$(dirname "$0")/lib.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/data"
for f in "$PWD"/data/*; do ln -s "$f" "$work/data/"; done
rm "$work/data/skin.x"
binary=$(readlink -f "$1")
cd "$work"
start_app "$binary"
box=$(find_box Failed) || fail "no box captioned Failed"
grep -qx "zelqad: Failed: Load Mesh from X" "$APP_LOG" || fail "the box says something else"
capture root failed.png
press_ok "$box"
wait_exit 20 || fail "still running after the box was closed"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
