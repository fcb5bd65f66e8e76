#!/usr/bin/env bash
# installed_viewer_test.sh BUILD_DIR: the installed viewer, run from another
# directory with no display at all, answers its command line and draws
# pictures of the files it is given.
source "$(dirname "$0")/lib.sh"

prefix="$SCRATCH/prefix"
"$CMAKE" --install "$BUILD_DIR" --prefix "$prefix" >"$SCRATCH/install.log" ||
    fail "cmake --install: $(cat "$SCRATCH/install.log")"
zelqad="$prefix/bin/zelqad"
elsewhere="$SCRATCH/elsewhere"
mkdir -p "$elsewhere"
cd "$elsewhere"
# No display of any kind, whatever the caller has.
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER XAUTHORITY

"$zelqad" --help >help.txt || fail "--help ended with $?"
grep -q '^Usage: zelqad \[OPTION\]... \[FILE\]...$' help.txt || fail "--help: $(head -n 3 help.txt)"
version=$("$zelqad" --version) || fail "--version ended with $?"
[[ "$version" =~ ^zelqad\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"
status=0
"$zelqad" --grid 0 2>usage.txt || status=$?
[ "$status" = 2 ] || fail "a bad option ended with $status, not 2"
grep -q "invalid value '0' for --grid" usage.txt || fail "a bad option said: $(cat usage.txt)"

# geometry PNG: WIDTHxHEIGHT.
geometry() {
    identify -format '%wx%h' "$1"
}
# reddish PNG: the share of pixels whose red clearly outweighs green and blue.
reddish() {
    convert "$1" -fx "(r > 0.25 && r > 2 * g && r > 2 * b) ? 1 : 0" -format "%[fx:mean]" info:
}
# above A B: true when the number A is greater than B.
above() {
    awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'
}

# The default scene: the data beside the program, without the overlay.
"$zelqad" --screenshot default.png 2>default.log || fail "--screenshot: $(cat default.log)"
[ "$(geometry default.png)" = 1024x768 ] || fail "the picture is $(geometry default.png)"
above "$(convert default.png -format '%[fx:standard_deviation]' info:)" 0.02 ||
    fail "the picture is blank"
# No frame-rate line: the top left corner holds only the clear colour.
above 0.5 "$(convert default.png -crop 300x24+8+8 +repage -format '%[fx:maxima]' info:)" ||
    fail "the picture shows the overlay"
above 0.001 "$(reddish default.png)" || fail "the default scene is red already"

# A mesh and a red texture set from the command line, named relative to
# this directory: the first mesh slot, drawn with the red set, shows red.
cp "$SOURCE_DIR/tests/utility/xfile/data/assimp_cube_text/cube_text.x" cube.x
convert -size 64x64 xc:'#ff1010' red.png
"$zelqad" --screenshot named.png --size 256 --fit cube.x red.png 2>named.log ||
    fail "--screenshot with files: $(cat named.log)"
[ "$(geometry named.png)" = 256x192 ] || fail "--size 256 gave $(geometry named.png)"
above "$(reddish named.png)" 0.02 || fail "the red cube does not show ($(reddish named.png))"

# A file that cannot be read: a message, no picture, status 1.
status=0
"$zelqad" --screenshot missing.png missing.x 2>missing.log || status=$?
[ "$status" = 1 ] || fail "a missing mesh ended with $status"
[ ! -e missing.png ] || fail "a picture was written without the named mesh"
grep -q 'missing.x' missing.log || fail "the missing file is not named: $(cat missing.log)"
echo "PASS"
