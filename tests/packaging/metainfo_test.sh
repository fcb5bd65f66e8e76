#!/usr/bin/env bash
# metainfo_test.sh BUILD_DIR: the AppStream metainfo passes appstreamcli's
# validator and says what the rest of the build says: the desktop entry's
# id, types and categories, this version, the homepage, and screenshots
# that exist.
source "$(dirname "$0")/lib.sh"

[ -f "$METAINFO" ] || fail "no metainfo at $METAINFO"

# Errors and warnings fail the validator; infos are fixed too, but for the
# <developer> element of AppStream 1.0, which validators before 1.0 do not
# know yet.
report=$(appstreamcli validate --no-net --explain "$METAINFO" 2>&1) ||
    fail "appstreamcli validate: $report"
unexpected=$(grep -E '^[EWI]: ' <<<"$report" | grep -v ' unknown-tag developer$' || true)
[ -z "$unexpected" ] || fail "appstreamcli validate: $unexpected"

# value XPATH: one value a line.
value() { xmllint --xpath "$1" "$METAINFO" 2>/dev/null || true; }
# entry_key KEY: the value of KEY in the desktop entry.
entry_key() { sed -n "s/^$1=//p" "$DESKTOP_ENTRY"; }

[ "$(value 'string(/component/id)')" = "$APP_ID" ] ||
    fail "id $(value 'string(/component/id)'), expected $APP_ID"
launchable=$(value 'string(/component/launchable[@type="desktop-id"])')
[ "$launchable" = "$(basename "$DESKTOP_ENTRY")" ] ||
    fail "launchable $launchable is not the desktop entry $(basename "$DESKTOP_ENTRY")"
[ "$(value 'string(/component/name)')" = "$(entry_key Name)" ] ||
    fail "name $(value 'string(/component/name)') differs from the desktop entry's $(entry_key Name)"
[ -n "$(value 'string(/component/developer/@id)')" ] || fail "no developer id"
[ -n "$(value 'string(/component/developer/name)')" ] || fail "no developer name"

# A software centre offers the viewer for exactly the files the desktop
# entry opens.
same_lists "metainfo media types, against the desktop entry's" \
    "$(entry_key MimeType | tr ';' '\n' | sed '/^$/d' | LC_ALL=C sort)" \
    "$(value '/component/provides/mediatype/text()' | LC_ALL=C sort)"

same_lists "metainfo categories, against the desktop entry's" \
    "$(entry_key Categories | tr ';' '\n' | sed '/^$/d' | LC_ALL=C sort)" \
    "$(value '/component/categories/category/text()' | LC_ALL=C sort)"

# The newest release, listed first, is this version.
release=$(value 'string(/component/releases/release[1]/@version)')
[ "$release" = "$ZQ_VERSION" ] || fail "newest release $release, expected $ZQ_VERSION"
[ "$(value 'string(/component/url[@type="homepage"])')" = "$ZQ_HOMEPAGE" ] ||
    fail "homepage $(value 'string(/component/url[@type="homepage"])'), expected $ZQ_HOMEPAGE"

# Every screenshot has a caption and shows a picture of the repository,
# published below the homepage.
count=$(value 'count(/component/screenshots/screenshot)')
[ "$count" -ge 1 ] || fail "no screenshots"
for i in $(seq "$count"); do
    shot="/component/screenshots/screenshot[$i]"
    [ -n "$(value "string($shot/caption)")" ] || fail "screenshot $i has no caption"
    url=$(value "string($shot/image)")
    case $url in
        "$ZQ_HOMEPAGE"/*) path=${url#"$ZQ_HOMEPAGE"/} ;;
        *) fail "screenshot $url is not below $ZQ_HOMEPAGE" ;;
    esac
    [ -f "$SOURCE_DIR/$path" ] || fail "screenshot $url: no $path in the repository"
done
echo "PASS: $APP_ID $release, $count screenshots"
