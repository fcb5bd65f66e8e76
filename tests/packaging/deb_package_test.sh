#!/usr/bin/env bash
# deb_package_test.sh BUILD_DIR: `cpack -G DEB` makes a package that holds
# what the install rules install, under /usr, and declares the section, the
# maintainer and the libraries and run-time packages the viewer needs.
source "$(dirname "$0")/lib.sh"

"$CPACK" -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$SCRATCH" >"$SCRATCH/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$SCRATCH/cpack.log")"
packages=("$SCRATCH"/*.deb)
if [ ${#packages[@]} != 1 ] || [ ! -f "${packages[0]}" ]; then
    fail "cpack made no single .deb: ${packages[*]}"
fi
deb=${packages[0]}

# Regular files only: the listing's directory lines end in '/'.
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | LC_ALL=C sort)
same_lists "files in $(basename "$deb")" "$(expected_files)" "$actual"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zelqad ] || fail "Package: $(field Package)"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "Architecture: $(field Architecture)"
grep -Eq '^.+ <[^ ]+@[^ ]+>$' <<<"$(field Maintainer)" || fail "Maintainer: $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no Description"

# The linked libraries (from dpkg-shlibdeps) and what is loaded at run time.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ *(.*//; s/ *|.*//')
for package in libc6 libstdc++6 libsdl2-2.0-0 libepoxy0 libfreetype6 libfontconfig1 \
    libpng16-16 zlib1g libgl1 libegl1 libgl1-mesa-dri libegl-mesa0 fonts-ipafont-gothic; do
    grep -qx "$package" <<<"$depends" || fail "Depends lacks $package: $(field Depends)"
done
# libjpeg's package name differs between distributions.
grep -q '^libjpeg' <<<"$depends" || fail "Depends lacks libjpeg: $(field Depends)"

# Stripped: a package of debugging information is the build's, not the user's.
dpkg-deb -x "$deb" "$SCRATCH/root"
readelf -S "$SCRATCH/root/usr/bin/zelqad" >"$SCRATCH/sections"
if grep -q '\.debug_info' "$SCRATCH/sections"; then
    fail "bin/zelqad is not stripped"
fi
echo "PASS: $(basename "$deb"); Depends: $(field Depends)"
