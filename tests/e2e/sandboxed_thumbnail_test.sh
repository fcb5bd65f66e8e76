#!/usr/bin/env bash
# sandboxed_thumbnail_test.sh BUILD_DIR: the installed thumbnailer line, run
# as GNOME runs thumbnailers (bubblewrap: /usr and the installed prefix
# read-only, the linker cache, no home, no /etc, no network, the output
# folder as /tmp, the model alone as /tmp/gnome-desktop-file-to-thumbnail.x,
# and DISPLAY and WAYLAND_DISPLAY naming displays that are not there),
# writes the model alone in its own materials on a transparent background,
# filling most of the picture; a model that cannot be drawn gives status 1
# with its reason, and nothing is left behind.
source "$(dirname "$0")/lib.sh"
command -v bwrap >/dev/null || fail "bwrap is missing (scripts/setup installs bubblewrap)"

build=$(cd "$1" && pwd)
# Removed with the build; the sandbox shows it at paths of its own.
work=$(mktemp -d "$build/thumbnail-test.XXXXXX")
at_exit "rm -rf '$work'"
"${ZQ_CMAKE:-cmake}" --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
    fail "cmake --install: $(cat "$work/install.log")"
thumbnailer="$work/prefix/share/thumbnailers/zelqad.thumbnailer"
# Where the sandbox shows the prefix and the models: paths of their own, for
# a build under /tmp would lie below the output folder that replaces it.
sandboxed_prefix=/opt/zelqad
sandboxed_models=/opt/models
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
[ -n "$exec_line" ] || fail "no Exec line in $thumbnailer"

# Two quads side by side: the left in a white material whose texture is red
# (red.tga beside the file), the right in a plain blue material.
mkdir "$work/models"
cp "$E2E_DIR/../app/data/two_materials/two.x" "$E2E_DIR/../app/data/two_materials/red.tga" \
    "$work/models/"
printf 'xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;' >"$work/models/broken.x"
truncate -s 101M "$work/models/huge.x"

# thumbnail MODEL SIZE OUT_DIR: the thumbnailer line run in the sandbox on
# MODEL, asked for SIZE pixels into OUT_DIR/out.png; its stderr goes to
# OUT_DIR.log and its status to STATUS.
thumbnail() {
    local model=$1 size=$2 out=$3 args
    mkdir -p "$out"
    local line=${exec_line//%s/$size}
    line=${line//%o//tmp/out.png}
    line=${line//%i//tmp/gnome-desktop-file-to-thumbnail.x}
    read -r -a args <<<"$line"
    args[0]="$sandboxed_prefix/bin/${args[0]}"
    STATUS=0
    env -i PATH=/usr/bin:/bin DISPLAY=:93 WAYLAND_DISPLAY=wayland-93 HOME=/home/nobody \
        XDG_RUNTIME_DIR=/run/user/1000 LC_ALL=C \
        bwrap --ro-bind /usr /usr --symlink usr/lib /lib --symlink usr/lib64 /lib64 \
        --symlink usr/bin /bin --symlink usr/sbin /sbin \
        --ro-bind /etc/ld.so.cache /etc/ld.so.cache --proc /proc --dev /dev \
        --unshare-all --die-with-parent --ro-bind "$work/prefix" "$sandboxed_prefix" \
        --bind "$out" /tmp --ro-bind "$model" /tmp/gnome-desktop-file-to-thumbnail.x \
        --chdir / "${args[@]}" 2>"$out.log" || STATUS=$?
}

# alpha_at IMAGE X Y: the alpha (0..1) of one pixel.
alpha_at() {
    convert "$1" -format "%[fx:p{$2,$3}.a]" info:
}
# The box of the pixels at least half opaque: WxH+X+Y.
opaque_box() {
    convert "$1" -alpha extract -threshold 50% -format '%@' info:
}
# pixels COLOUR_TEST IMAGE: how many opaque pixels pass the fx test.
pixels() {
    convert "$2" -fx "(a > 0.5 && $1) ? 1 : 0" -format "%[fx:mean * w * h]" info:
}

check_thumbnail() {
    local out=$1 size=$2
    [ "$STATUS" = 0 ] || fail "the thumbnailer ended with $STATUS: $(cat "$out.log")"
    [ -f "$out/out.png" ] || fail "no thumbnail written"
    [ "$(identify -format '%wx%h %[channels]' "$out/out.png")" = "${size}x$size srgba" ] ||
        fail "the thumbnail is $(identify -format '%wx%h %[channels]' "$out/out.png")"
    # Transparent around the model.
    for corner in "0 0" "$((size - 1)) 0" "0 $((size - 1))" "$((size - 1)) $((size - 1))"; do
        # shellcheck disable=SC2086
        [ "$(alpha_at "$out/out.png" $corner)" = 0 ] || fail "corner $corner is not transparent"
    done
    # The model fills 85 to 95 % of the picture along its longer side.
    local box width height longer
    box=$(opaque_box "$out/out.png")
    width=${box%%x*}
    height=${box#*x}
    height=${height%%+*}
    longer=$((width > height ? width : height))
    above "$longer" "$(awk -v s="$size" 'BEGIN { print 0.85 * s }')" &&
        above "$(awk -v s="$size" 'BEGIN { print 0.95 * s }')" "$longer" ||
        fail "the model's box is $box in a picture of $size"
    # Nothing else was written beside the picture (bwrap's mount point for
    # the model is the only other entry).
    local left
    left=$(cd "$out" && ls -A | grep -vx -e out.png -e gnome-desktop-file-to-thumbnail.x || true)
    [ -z "$left" ] || fail "left behind: $left"
}

# Every size a file manager asks for.
cp "$work/models/two.x" "$work/models/red.tga" "$ARTIFACTS/"
for size in 128 256 512 1024; do
    thumbnail "$work/models/two.x" "$size" "$work/out-$size"
    check_thumbnail "$work/out-$size" "$size"
done
cp "$work/out-256/out.png" "$ARTIFACTS/two-256.png"
# Under GNOME's sandbox only the model is there, so its texture is not:
# that subset shows its material's colour, and the file is named once.
blue=$(pixels "b > 0.3 && b > 2 * r" "$work/out-256/out.png")
above "$blue" 2000 || fail "the blue material does not show ($blue pixels)"
white=$(pixels "r > 0.3 && abs(r - b) < 0.1 && abs(r - g) < 0.1" "$work/out-256/out.png")
above "$white" 2000 || fail "the textured material's own colour does not show ($white pixels)"
[ "$(grep -c 'red.tga: ' "$work/out-256.log")" = 1 ] ||
    fail "the missing texture is not named once: $(cat "$work/out-256.log")"

# With the model's folder in the sandbox, its texture is found: red.
mkdir "$work/out-folder"
STATUS=0
env -i PATH=/usr/bin:/bin DISPLAY=:93 LC_ALL=C \
    bwrap --ro-bind /usr /usr --symlink usr/lib /lib --symlink usr/lib64 /lib64 \
    --ro-bind /etc/ld.so.cache /etc/ld.so.cache --proc /proc --dev /dev --unshare-all \
    --ro-bind "$work/prefix" "$sandboxed_prefix" --ro-bind "$work/models" "$sandboxed_models" \
    --bind "$work/out-folder" /tmp "$sandboxed_prefix/bin/zelqad" --size 256 \
    --thumbnail /tmp/out.png -- "$sandboxed_models/two.x" 2>"$work/out-folder.log" || STATUS=$?
check_thumbnail "$work/out-folder" 256
cp "$work/out-folder/out.png" "$ARTIFACTS/two-textured-256.png"
red=$(pixels "r > 0.3 && r > 2 * g && r > 2 * b" "$work/out-folder/out.png")
above "$red" 2000 || fail "the red texture does not show ($red pixels)"
above "$(pixels "b > 0.3 && b > 2 * r" "$work/out-folder/out.png")" 2000 ||
    fail "the blue material does not show beside the texture"

# A real model as it was published, if the shared files are there.
real="$E2E_DIR/../../../shared/xfiles/assimp_kwxport/kwxport_vcolors.x"
if [ -f "$real" ]; then
    thumbnail "$real" 256 "$work/out-real"
    check_thumbnail "$work/out-real" 256
    cp "$work/out-real/out.png" "$ARTIFACTS/kwxport-256.png"
fi

# A broken model and one too big: status 1, one line with the reason, no
# picture.
thumbnail "$work/models/broken.x" 256 "$work/out-broken"
[ "$STATUS" = 1 ] || fail "a broken model ended with $STATUS"
[ "$(wc -l <"$work/out-broken.log")" = 1 ] || fail "the broken model said: $(cat "$work/out-broken.log")"
grep -q '^zelqad: /tmp/gnome-desktop-file-to-thumbnail.x: ' "$work/out-broken.log" ||
    fail "the broken model is not named: $(cat "$work/out-broken.log")"
[ ! -e "$work/out-broken/out.png" ] || fail "a picture was written of a broken model"
thumbnail "$work/models/huge.x" 256 "$work/out-huge"
[ "$STATUS" = 1 ] || fail "a model over 100 MiB ended with $STATUS"
grep -qx 'zelqad: /tmp/gnome-desktop-file-to-thumbnail.x: larger than 100 MiB; no thumbnail is drawn of it' \
    "$work/out-huge.log" || fail "the big model said: $(cat "$work/out-huge.log")"
[ ! -e "$work/out-huge/out.png" ] || fail "a picture was written of a model over 100 MiB"
echo "PASS"
