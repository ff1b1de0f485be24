#!/usr/bin/env bash
# Checks a built spartiti .deb: the control fields that make a fresh Debian install
# pull in everything the program loads at run time, and the tree it unpacks.
# Usage: check-deb.sh PACKAGE.deb
set -euo pipefail
deb=$1
here=$(dirname "$0")
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
field() { dpkg-deb -f "$deb" "$1"; }

[ "$(field Package)" = spartiti ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = 3.01 ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

depends=$(field Depends)
# The Qt libraries come from dpkg-shlibdeps; the rest are plugins, fonts and Qt's Italian
# texts, which it cannot see.
for needed in libqt6widgets6 libqt6core6 libqt6gui6 qt6-qpa-plugins fonts-dejavu-core qt6-translations-l10n libc6; do
  echo "$depends" | tr ',' '\n' | grep -Eq "^ *$needed( |$)" || fail "Depends lacks $needed: $depends"
done
echo "$(field Recommends)" | grep -q gstreamer1.0-plugins-good || fail "Recommends lacks gstreamer1.0-plugins-good"

listing=$(dpkg-deb -c "$deb")
for path in ./usr/bin/spartiti \
            ./usr/share/applications/it.spartiti.Spartiti.desktop \
            ./usr/share/metainfo/it.spartiti.Spartiti.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/it.spartiti.Spartiti.svg \
            ./usr/share/icons/hicolor/256x256/apps/it.spartiti.Spartiti.png \
            ./usr/share/doc/spartiti/copyright; do
  echo "$listing" | grep -q " $path\$" || fail "package lacks $path"
done
# A packaged program lives under /usr; /usr/local, /opt and /etc are not its to fill.
outside=$(echo "$listing" | awk '{print $6}' | grep -Ev '^\./(usr(/.*)?)?$' || true)
[ -z "$outside" ] || fail "package installs outside /usr: $outside"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
"$here/check-tree.sh" "$root" it.spartiti.Spartiti "$(field Version)" || fail "unpacked tree"

[ "$failures" -eq 0 ] && echo "package OK: $deb" && echo "Depends: $depends"
exit $((failures > 0))
