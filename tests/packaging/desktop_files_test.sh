#!/usr/bin/env bash
# desktop_files_test.sh BUILD_DIR: the desktop entry passes
# desktop-file-validate, the thumbnailer covers only types the viewer itself
# declares, and the scalable icon is well-formed XML.
source "$(dirname "$0")/lib.sh"

entry=$DESKTOP_ENTRY
thumbnailer="$BUILD_DIR/packaging/zelqad.thumbnailer"

report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
# Hints are printed but do not fail the validator; an entry should be clean.
[ -z "$report" ] || fail "desktop-file-validate: $report"

# key FILE KEY: the value of KEY in the file's only group.
key() { sed -n "s/^$2=//p" "$1"; }

desktop_types=$(key "$entry" MimeType | tr ';' '\n' | sed '/^$/d')
thumbnail_types=$(key "$thumbnailer" MimeType | tr ';' '\n' | sed '/^$/d')
[ -n "$thumbnail_types" ] || fail "the thumbnailer names no MIME type"
for type in $thumbnail_types; do
    grep -qx "$type" <<<"$desktop_types" || fail "thumbnailer type $type is not in the desktop entry"
done
[ "$(key "$thumbnailer" TryExec)" = "$(key "$entry" TryExec)" ] ||
    fail "the thumbnailer and the desktop entry run different programs"
xmllint --noout "$SOURCE_DIR/packaging/icons/zelqad.svg" || fail "zelqad.svg is not well-formed"
echo "PASS: desktop entry valid; thumbnailer types: $thumbnail_types"
