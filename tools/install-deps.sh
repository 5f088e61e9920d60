#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages daro needs, by what they are for:
#
#   tools/install-deps.sh [run]   building and running the program (README's run command)
#   tools/install-deps.sh test    that, and what the test suite adds (README's test command)
#   tools/install-deps.sh all     that, and what packaging, fuzzing, screenshots,
#                                 the smoke test and the benchmarks add (CI)
set -euo pipefail

# Building: the compiler, CMake, Qt's tools and the headers of every library
# the CMake files look for (find_package / pkg_check_modules).
build=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-tools-dev qt6-l10n-tools
  libespeak-ng-dev flite1-dev libsqlite3-dev mdbtools-dev libglib2.0-dev libpulse-dev libfontconfig-dev
  libpocketsphinx-dev libsphinxbase-dev libsoxr-dev
)
# Running, beyond the libraries the above pulls in (Qt's xcb and jpeg plugins
# come with libqt6gui6, its multimedia backends with libqt6multimedia6, Flite's
# voices with libflite1): espeak-ng's voices, the Song face the designs are
# drawn for, Qt's own translations, the recogniser's American English model
# that listens to the learner's reading.
run=(espeak-ng-data fonts-arphic-uming qt6-translations-l10n pocketsphinx-en-us)
# The tests: the private PulseAudio server and its tools (pactl, parec), and
# the CJK face the font substitution falls back to.
test=(pulseaudio pulseaudio-utils fonts-noto-cjk)
# The Debian package (debhelper, lintian, autopkgtest) and its checks, the
# smoke test and screenshots on their own X server, the fuzz build (clang,
# libFuzzer), the seeds and the benchmarks (pocketsphinx transcribes the
# voices).
extra=(
  dpkg-dev debhelper lintian autopkgtest
  file desktop-file-utils appstream git
  xvfb xdotool x11-utils imagemagick python3-xlib openbox wmctrl qt6-qpa-plugins
  clang libclang-rt-14-dev sox espeak-ng ccache pocketsphinx
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=("${build[@]}" "${run[@]}")
case ${1:-run} in
  run)
    # Speech, recording and replay need a sound server; keep whichever one the
    # desktop has (PipeWire's or PulseAudio), else bring PulseAudio.
    installed pipewire-pulse || packages+=(pulseaudio)
    ;;
  test) packages+=("${test[@]}") ;;
  all) packages+=("${test[@]}" "${extra[@]}") ;;
  *)
    sed -n '3,8p' "$0" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
