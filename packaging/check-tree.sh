#!/usr/bin/env bash
# Checks an installed tree (a scratch install or an unpacked .deb) as a desktop would
# read it. Usage: check-tree.sh ROOT APP_ID VERSION
set -euo pipefail
root=$1 id=$2 version=$3
share=$root/usr/share
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml
[ -f "$desktop" ] || { echo "FAIL: no $desktop" >&2; exit 1; }
[ -f "$metainfo" ] || { echo "FAIL: no $metainfo" >&2; exit 1; }

desktop-file-validate "$desktop" || fail "desktop entry does not validate"
entry() { sed -n "s/^$1=//p" "$desktop"; }

exec_cmd=$(entry Exec)
binary=$root/usr/bin/${exec_cmd%% *}
[ -x "$binary" ] || fail "Exec=$exec_cmd is not an installed program"
[ -z "$(entry Path)" ] || fail "the menu entry must start in the home folder, not Path=$(entry Path)"

case "$exec_cmd" in *%f*) ;; *) fail "Exec=$exec_cmd takes no folder (%f)";; esac
[ -f "$share/spartiti/demo/spartiti/archivio.js" ] || fail "no demo catalogue in $share/spartiti/demo"

icon=$(entry Icon)
svg=$share/icons/hicolor/scalable/apps/$icon.svg
png=$share/icons/hicolor/256x256/apps/$icon.png
file -b "$svg" 2>/dev/null | grep -q 'SVG' || fail "Icon=$icon has no scalable SVG at $svg"
file -b "$png" 2>/dev/null | grep -q 'PNG image data, 256 x 256' || fail "Icon=$icon has no 256x256 PNG at $png"

# validate-tree also checks that the launchable names a desktop entry in the tree.
appstreamcli validate-tree --no-net "$root" >/dev/null || {
  appstreamcli validate-tree --no-net "$root" >&2; fail "metainfo does not validate in the tree"; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
  || fail "metainfo launchable is not $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"

# A run path into the build tree would load stale libraries, or none, on a user's machine.
if readelf -d "$binary" 2>/dev/null | grep -Eq 'R(UN)?PATH'; then
  fail "installed binary carries a run path: $(readelf -d "$binary" | grep -E 'R(UN)?PATH')"
fi

[ "$failures" -eq 0 ] && echo "installed tree OK: $id $version"
exit $((failures > 0))
