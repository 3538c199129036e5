#!/usr/bin/env bash
# Installs what Papelada needs to build and test on Debian 12, then configures
# and builds it. Safe to run again: packages already present are not fetched.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev googletest
  fonts-liberation fonts-dejavu-core fontconfig
  qt6-translations-l10n libqt6svg6
  xvfb xauth x11-utils xdotool imagemagick
  cups cups-client cups-filters printer-driver-cups-pdf
  libcups2-dev libdeflate-dev libharfbuzz-dev libfontconfig-dev
  poppler-utils zbar-tools qpdf mupdf-tools
  qt6-translations-l10n dpkg-dev desktop-file-utils appstream shared-mime-info
  bash-completion groff-base lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ "${1:-}" != "--packages-only" ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build
fi
