#!/usr/bin/env bash
# What a drop's list of URIs names: a file of this machine by any of its
# spellings loads; a URI that names nothing here is ignored with a line on
# stderr; a drop that leaves nothing to load, or whose URI hides a NUL, is
# refused to its source, and nothing loads.
source "$(dirname "$0")/lib.sh"
start_x_server

drop() {
    /usr/bin/python3 "$E2E_DIR/xdnd-drop" "$@"
}
file_uri() { # HOST PATH
    /usr/bin/python3 -c 'import sys, urllib.parse
print("file://" + sys.argv[1] + urllib.parse.quote(sys.argv[2]))' "$1" "$2"
}
logged() {
    grep -qxF "$1" "$APP_LOG"
}

start_app "$1"
wait_window ZELQAd
wait_drawing "$WID"
capture "$WID" start.png
REDDISH_BASE=$(count_reddish "$ARTIFACTS/start.png")

# Nothing local: refused, each item named.
out=$(drop --uris "$WID" 900 100 "http://example.com/red.png" "file://elsewhere.example/tmp/red.png" 2>&1) &&
    fail "a drop of web addresses was taken"
[ "$out" = "target finished the drop refusing it" ] || fail "xdnd-drop: $out"
logged 'zelqad: dropped item ignored: "http://example.com/red.png" is not a local file' ||
    fail "the web address is not named"
logged 'zelqad: dropped item ignored: "file://elsewhere.example/tmp/red.png" is not a local file' ||
    fail "the other machine's file is not named"
logged "zelqad: drop refused: it names no local files" || fail "the refusal is not named"

# An escaped NUL would cut the name short at the red texture's own name.
nul_uri="$(file_uri "" "$RED_TEXTURE")%00.decoy"
out=$(drop --uris "$WID" 900 100 "$nul_uri" 2>&1) && fail "a drop with a NUL in its path was taken"
[ "$out" = "target finished the drop refusing it" ] || fail "xdnd-drop: $out"
logged "zelqad: drop refused: \"$nul_uri\" names a path with a NUL in it" ||
    fail "the NUL is not named"
wait_frames 3
capture "$WID" after-nul.png
start_up_textures "$ARTIFACTS/after-nul.png" || fail "the drop with a NUL loaded a file"

# file://localhost/ is this machine; a comment line and a web address beside
# it do not stop the drop.
drop --uris "$WID" 900 100 "# dragged from a browser" "https://example.org/" \
    "$(file_uri localhost "$RED_TEXTURE")" || fail "a file://localhost drop was refused"
wait_picture "texture set dropped as file://localhost drawn" "$WID" localhost.png red_drawn
logged 'zelqad: dropped item ignored: "https://example.org/" is not a local file' ||
    fail "the web address beside the file is not named"
grep -q "dropped item ignored: \"# dragged" "$APP_LOG" && fail "a comment line was taken for an item"

# Thousands of files in one drop, on the other texture set: taken, and the
# viewer still answers.
capture "$WID" before-many.png
REDDISH_BASE=$(count_reddish "$ARTIFACTS/before-many.png")
many=()
for _ in $(seq 1 3000); do
    many+=("$RED_TEXTURE")
done
drop "$WID" 900 700 "${many[@]}" || fail "a drop of 3000 files was refused"
wait_picture "the last of 3000 dropped files drawn" "$WID" many.png red_drawn

close_window "$WID"
wait_exit "end after the close request"
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS"
echo "PASS"
