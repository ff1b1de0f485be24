#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Spartiti need.
# Idempotent: packages already present are skipped, so a second run does nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-5compat-dev libgl-dev
  qt6-multimedia-dev libqt6multimedia6 gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-libav qml6-module-qtmultimedia
  qt6-image-formats-plugins qt6-qpa-plugins libjpeg62-turbo-dev qt6-translations-l10n
  fonts-dejavu-core
  clang libclang-rt-14-dev
  xvfb xauth imagemagick time
  appstream dpkg-dev file desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

echo "Installazione pacchetti mancanti: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
