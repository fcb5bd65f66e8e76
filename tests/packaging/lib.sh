# shellcheck shell=bash
# Shared steps of the packaging tests. Source it with the build folder as
# the script's first argument; ZQ_MIME_PACKAGE (0 or 1) says whether this
# configuration installs a MIME package, ZQ_CMAKE and ZQ_CPACK which CMake
# configured it, ZQ_APP_ID, ZQ_VERSION and ZQ_HOMEPAGE what it describes
# the program as.
set -euo pipefail

trap 'echo "FAIL: $0 line $LINENO: $BASH_COMMAND" >&2' ERR

BUILD_DIR=$(cd "$1" && pwd)
CMAKE=${ZQ_CMAKE:-cmake}
CPACK=${ZQ_CPACK:-cpack}
APP_ID=${ZQ_APP_ID:?}
DESKTOP_ENTRY="$BUILD_DIR/packaging/$APP_ID.desktop"
METAINFO="$BUILD_DIR/packaging/$APP_ID.metainfo.xml"
SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/zelqad-packaging.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The files an install puts under its prefix, one relative path a line,
# sorted.
expected_files() {
    {
        echo bin/zelqad
        echo bin/xmesh-info
        for file in "$SOURCE_DIR"/data/*; do
            echo "share/zelqad/data/$(basename "$file")"
        done
        echo "share/applications/$APP_ID.desktop"
        echo "share/metainfo/$APP_ID.metainfo.xml"
        echo share/man/man1/zelqad.1.gz
        echo share/man/man1/xmesh-info.1.gz
        echo share/icons/hicolor/scalable/apps/zelqad.svg
        echo share/icons/hicolor/256x256/apps/zelqad.png
        if [ "$ZQ_MIME_PACKAGE" = 1 ]; then echo share/mime/packages/zelqad.xml; fi
        echo share/thumbnailers/zelqad.thumbnailer
    } | LC_ALL=C sort
}

# same_lists WHAT EXPECTED ACTUAL: fails with the difference.
same_lists() {
    local difference
    difference=$(diff <(echo "$2") <(echo "$3")) || fail "$1 (< missing, > unexpected):
$difference"
}
