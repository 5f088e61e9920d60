#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages daro needs to build, run and test.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins
  libqt6multimedia6 qt6-image-formats-plugins
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libespeak-ng-dev espeak-ng-data espeak-ng
  mdbtools mdbtools-dev libmdb3 libglib2.0-dev libsqlite3-dev libjpeg-dev
  libpulse-dev pulseaudio pulseaudio-utils sox
  xvfb xdotool x11-utils imagemagick python3-xlib
  openbox wmctrl desktop-file-utils appstream lintian dpkg-dev file
  fonts-noto-cjk fonts-arphic-uming
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
