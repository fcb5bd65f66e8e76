#!/usr/bin/env bash
# install_test.sh BUILD_DIR: `cmake --install` into a fresh prefix puts the
# programs, the default data and the desktop files there, and nothing else.
source "$(dirname "$0")/lib.sh"

prefix="$SCRATCH/prefix"
"$CMAKE" --install "$BUILD_DIR" --prefix "$prefix" >"$SCRATCH/install.log" ||
    fail "cmake --install: $(cat "$SCRATCH/install.log")"

actual=$(cd "$prefix" && find . -mindepth 1 ! -type d | sed 's|^\./||' | LC_ALL=C sort)
same_lists "installed files" "$(expected_files)" "$actual"

for program in zelqad xmesh-info; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done
# The viewer looks for these bytes at ../share/zelqad/data from bin/.
for file in "$SOURCE_DIR"/data/*; do
    cmp -s "$file" "$prefix/share/zelqad/data/$(basename "$file")" ||
        fail "share/zelqad/data/$(basename "$file") differs from data/"
done
echo "PASS: $(echo "$actual" | wc -l) files installed"
