#!/usr/bin/env bash
# Installs the build into a scratch root and checks what a desktop needs to list,
# start and draw the program: every name one file gives must lead to another file.
# Usage: check-install.sh BUILD_DIR SCRATCH_ROOT APP_ID VERSION
set -euo pipefail
build=$1 root=$2 id=$3 version=$4

rm -rf "$root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
exec "$(dirname "$0")/check-tree.sh" "$root" "$id" "$version"
