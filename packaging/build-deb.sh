#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a built tree and validates it:
#   packaging/build-deb.sh BUILD_DIR
# The package lands in BUILD_DIR as daro_<version>_<arch>.deb; its path is the
# last line printed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: build-deb.sh BUILD_DIR}" && pwd)

# cpack installs what is built; make sure it is all there and current.
cmake --build "$build"
rm -f "$build"/daro_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/daro_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "cpack made no single daro package" >&2; exit 1; }

dpkg-deb --info "${debs[0]}"
bash "$here/check.sh" "${debs[0]}"
echo "${debs[0]}"
