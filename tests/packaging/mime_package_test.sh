#!/usr/bin/env bash
# mime_package_test.sh BUILD_DIR: update-mime-database accepts the MIME
# package, and with it installed beside the system's types a file manager
# (through GIO) tells X files and Radiance images by name and by content.
source "$(dirname "$0")/lib.sh"

package="$BUILD_DIR/packaging/zelqad.xml"
xmllint --noout "$package" || fail "zelqad.xml is not well-formed"

data="$SCRATCH/share"
mkdir -p "$data/mime/packages" "$SCRATCH/home"
cp "$package" "$data/mime/packages/"
update-mime-database "$data/mime" 2>"$SCRATCH/update.log" ||
    fail "update-mime-database: $(cat "$SCRATCH/update.log")"

# content_type FILE: the type GIO gives the file with our package and the
# system's database.
content_type() {
    XDG_DATA_HOME="$SCRATCH/home" XDG_DATA_DIRS="$data:/usr/share" \
        gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'
}

# expect_type TYPE FILE
expect_type() {
    local actual
    actual=$(content_type "$2")
    [ "$actual" = "$1" ] || fail "$(basename "$2"): $actual, expected $1"
}

x_type=$(sed -n 's/^MimeType=\([^;]*\);.*/\1/p' "$BUILD_DIR/packaging/zelqad.thumbnailer")
types=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$package")

files="$SCRATCH/files"
mkdir -p "$files"
if grep -qx "$x_type" <<<"$types"; then
    cp "$SOURCE_DIR/data/solid.x" "$files/text.x"
    cp "$SOURCE_DIR/data/skin.x" "$files/binary.X"
    cp "$SOURCE_DIR/data/skin.x" "$files/model-without-suffix"
    echo "not an X file after all" >"$files/damaged.x"
    for file in text.x binary.X model-without-suffix damaged.x; do
        expect_type "$x_type" "$files/$file"
    done
fi
if grep -qx image/vnd.radiance <<<"$types"; then
    printf '#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n\x80\x80\x80\x81' >"$files/sky.hdr"
    printf '#?RGBE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n\x80\x80\x80\x81' >"$files/sky-rgbe"
    expect_type image/vnd.radiance "$files/sky.hdr"
    expect_type image/vnd.radiance "$files/sky-rgbe"
fi
echo "PASS: registered $(echo $types)"
