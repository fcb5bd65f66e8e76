#!/usr/bin/env bash
# installed_viewer_test.sh BUILD_DIR: the viewer installed into a fresh
# prefix, run from another directory with no display at all, answers its
# command line and draws pictures of the files it is given.
source "$(dirname "$0")/lib.sh"

build=$(cd "$1" && pwd)
work=$(mktemp -d)
at_exit "rm -rf '$work'"
"${ZQ_CMAKE:-cmake}" --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
    fail "cmake --install: $(cat "$work/install.log")"
zelqad="$work/prefix/bin/zelqad"
mkdir "$work/elsewhere"
cd "$work/elsewhere"

"$zelqad" --help >help.txt || fail "--help ended with $?"
grep -qx 'Usage: zelqad \[OPTION\]... \[FILE\]...' help.txt || fail "--help: $(head -n 3 help.txt)"
version=$("$zelqad" --version) || fail "--version ended with $?"
[[ "$version" =~ ^zelqad\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"
status=0
"$zelqad" --grid 0 2>usage.txt || status=$?
[ "$status" = 2 ] || fail "a bad option ended with $status, not 2"
grep -q "invalid value '0' for --grid" usage.txt || fail "a bad option said: $(cat usage.txt)"

geometry() {
    identify -format '%wx%h' "$1"
}

# The default scene from the data beside the program, without the overlay.
"$zelqad" --screenshot default.png 2>default.log || fail "--screenshot: $(cat default.log)"
[ "$(geometry default.png)" = 1024x768 ] || fail "the picture is $(geometry default.png)"
above "$(convert default.png -format '%[fx:standard_deviation]' info:)" 0.02 ||
    fail "the picture is blank"
above "$(region_mean default.png "$MESHES")" 0.12 || fail "no lit meshes in the picture"
frame_rate_text default.png && fail "the picture shows the frame-rate line"
reddish_default=$(count_reddish default.png)

# A mesh and a red texture set named relative to this directory: the first
# mesh slot, drawn with the red set, shows red; --size scales the picture.
cp "$E2E_DIR/../../tests/utility/xfile/data/assimp_cube_text/cube_text.x" cube.x
convert -size 64x64 xc:'#ff1010' red.png
"$zelqad" --screenshot named.png --fit cube.x red.png 2>named.log ||
    fail "--screenshot with files: $(cat named.log)"
above "$(count_reddish named.png)" "$(awk -v b="$reddish_default" 'BEGIN { print b + 5000 }')" ||
    fail "the red cube does not show"
"$zelqad" --screenshot small.png --size 256 cube.x 2>small.log || fail "--size: $(cat small.log)"
[ "$(geometry small.png)" = 256x192 ] || fail "--size 256 gave $(geometry small.png)"

# A file that cannot be read: named with the reason, no picture, status 1.
status=0
"$zelqad" --screenshot missing.png missing.x 2>missing.log || status=$?
[ "$status" = 1 ] || fail "a missing mesh ended with $status"
[ ! -e missing.png ] || fail "a picture was written without the named mesh"
grep -q "missing.x: " missing.log || fail "the missing file is not named: $(cat missing.log)"
echo "PASS"
