#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh Debian 12 machine, builds daro and runs the whole test suite
# (headless; the tests that need sound start a private PulseAudio server).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh test
build=${DARO_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${DARO_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
