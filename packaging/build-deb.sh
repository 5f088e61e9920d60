#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from this tree and validates it:
#   packaging/build-deb.sh [OUT_DIR]        (default: build-deb)
# The tree is copied to OUT_DIR/daro-VERSION (what git tracks or would add,
# uncommitted changes included, no build trees), so the working tree stays
# clean. There the source package is made (for lintian's source checks) and
# `dpkg-buildpackage -us -uc -b` builds and tests the binary package; then
# lintian checks both and packaging/check.sh the desktop integration. The
# packages land in OUT_DIR; the path of the .deb is the last line printed.
# DEB_BUILD_OPTIONS is passed on, with parallel=$(nproc) unless it sets one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build-deb}")

version=$(dpkg-parsechangelog -l "$root/debian/changelog" -SVersion)
upstream=${version%-*}
cmake_version=$(sed -n 's/^project(daro VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if [ "$cmake_version" != "$upstream" ]; then
  echo "CMakeLists.txt says version $cmake_version, debian/changelog $version" >&2
  exit 1
fi
# tools/install-deps.sh's build set must all be build dependencies
# (build-essential is implied; the package builds with make, not ninja).
missing=()
for p in $(sed -n '/^build=(/,/^)/{/^build=(/d;/^)/d;p}' "$root/tools/install-deps.sh"); do
  case $p in build-essential | ninja-build) continue ;; esac
  grep -qE "^ $p( |,|$)" "$root/debian/control" || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "debian/control lacks build dependencies of tools/install-deps.sh: ${missing[*]}" >&2
  exit 1
fi
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
src=$out/daro-$upstream

mkdir -p "$out"
# Earlier packages (any version) go, so that daro_*.deb is this one.
rm -rf "$out"/daro-* "$out"/daro_*
mkdir "$src"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard) |
    (cd "$root" && while IFS= read -r -d '' f; do
      # Tracked files deleted in the working tree stay out.
      if [ -e "$f" ] || [ -L "$f" ]; then printf '%s\0' "$f"; fi
    done) |
    tar -C "$root" --null -T - -cf - | tar -C "$src" -xf -
else
  tar -C "$root" --exclude='./build*' --exclude="./${out#"$root"/}" -cf - . | tar -C "$src" -xf -
fi

echo "== source package"
# The upstream tarball is the tree without debian/, as a release would be.
tar -C "$out" --exclude="daro-$upstream/debian" --sort=name --owner=0 --group=0 --numeric-owner \
  --mtime="@$(dpkg-parsechangelog -l "$src/debian/changelog" -STimestamp)" \
  -cJf "$out/daro_$upstream.orig.tar.xz" "daro-$upstream"
(cd "$out" && dpkg-source -b "daro-$upstream")

echo "== dpkg-buildpackage"
options=${DEB_BUILD_OPTIONS:-}
[[ " $options " == *" parallel="* ]] || options="$options parallel=$(nproc)"
(cd "$src" && DEB_BUILD_OPTIONS=${options# } dpkg-buildpackage -us -uc -b)

deb=$out/daro_${version}_$arch.deb
[ -f "$deb" ] || { echo "dpkg-buildpackage made no $deb" >&2; exit 1; }
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

echo "== lintian"
lintian --display-info --pedantic --fail-on error,warning \
  "$out/daro_$version.dsc" "$out/daro_${version}_$arch.changes"
bash "$root/packaging/check.sh" "$deb"
echo "$deb"
