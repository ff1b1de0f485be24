#!/usr/bin/env bash
# Installs the Debian packages that Spartiti needs for what it is asked to do:
#   install-deps.sh [run|test|fuzz|bench|package|demo]...
#   run      build and start the editor (the default, for `make run` and `make build`)
#   test     run adds the tests' JavaScript engine, the desktop-file checks, Python (which
#            reads exported CSV back), poppler-utils (which reads printed PDF back) and qpdf,
#            which makes the encrypted PDF that an import must refuse (`make test`,
#            `make test-sanitize`: GCC's sanitizer runtimes come with g++)
#   fuzz     run adds clang and its libFuzzer and sanitizer runtimes (`make fuzz`)
#   bench    run adds /usr/bin/time and pdftoppm, which the import is timed
#            against (`make bench`)
#   package  run adds dpkg-shlibdeps and the desktop-file checks (`make package`)
#   demo     what demo/make-demo.sh and the screenshots of the README are made with
# Idempotent: packages already present are skipped, so a second run does nothing.
set -euo pipefail

# g++ and make rather than build-essential, which would bring dpkg-dev along.
run=(
  g++ make libc6-dev cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-5compat-dev libgl-dev
  qt6-multimedia-dev libqt6multimedia6 gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-libav
  qt6-image-formats-plugins qt6-qpa-plugins qt6-translations-l10n
  fonts-dejavu-core
  libpoppler-qt6-dev libjpeg62-turbo-dev
)
desktop_checks=(appstream desktop-file-utils file)
test=("${desktop_checks[@]}" qt6-declarative-dev python3 poppler-utils qpdf)
fuzz=(clang libclang-rt-14-dev)
bench=(time poppler-utils)
package=("${desktop_checks[@]}" dpkg-dev)
demo=(python3 imagemagick lame librsvg2-bin xvfb xauth)

[ $# -gt 0 ] || set -- run
packages=("${run[@]}")
for purpose in "$@"; do
  case $purpose in
    run) ;;
    test) packages+=("${test[@]}") ;;
    fuzz) packages+=("${fuzz[@]}") ;;
    bench) packages+=("${bench[@]}") ;;
    package) packages+=("${package[@]}") ;;
    demo) packages+=("${demo[@]}") ;;
    *) echo "install-deps.sh: unknown purpose '$purpose' (run, test, fuzz, bench, package, demo)" >&2
       exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
# A package named by two purposes is installed once.
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

echo "Installazione pacchetti mancanti: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
