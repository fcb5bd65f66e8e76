#!/usr/bin/env bash
# man_pages_test.sh BUILD_DIR: both manual pages format without a warning
# from groff, and each describes, as an item of its own, every option that
# its program's --help names.
source "$(dirname "$0")/lib.sh"

# check_page PAGE PROGRAM
check_page() {
    local page=$1 program=$2 warnings text help options
    [ -f "$page" ] || fail "no manual page $page"
    warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff: $(basename "$page"): $warnings"
    [ -z "$warnings" ] || fail "groff: $(basename "$page"): $warnings"

    # The page as a reader sees it, without bold and underlining.
    text=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
    help=$("$program" --help) || fail "$(basename "$program") --help failed"
    # The options are the help's indented lines that start with a dash.
    options=$(sed -n 's/^ \{1,4\}\(-[-a-zA-Z0-9]*\).*/\1/p' <<<"$help")
    [ -n "$options" ] || fail "$(basename "$program") --help names no option"
    local option
    for option in $options; do
        # An item of its own: a tag line naming the option, alone or with
        # its other spellings and its value.
        grep -Eq "^ +([^ ]+, )?$option(,| |\$)" <<<"$text" ||
            fail "$(basename "$page") does not describe $option of $(basename "$program") --help"
    done
    echo "$(basename "$page"): $(tr '\n' ' ' <<<"$options")"
}

check_page "$BUILD_DIR/packaging/man/zelqad.1" "${ZQ_ZELQAD:?}"
check_page "$BUILD_DIR/packaging/man/xmesh-info.1" "${ZQ_XMESH_INFO:?}"
echo "PASS: the manual pages are clean and complete"
