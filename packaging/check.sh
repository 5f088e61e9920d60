#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Validates the desktop integration of a daro package the way a distribution
# would:
#   packaging/check.sh PACKAGE.deb      the files of a built package
#   packaging/check.sh --installed      the files of the installed package
# desktop-file-validate on its desktop file, appstreamcli on its metainfo and
# on the package's tree (the metainfo's launchable must be in the package),
# and the desktop entry's program and icon. Errors fail; warnings are shown.
# packaging/build-deb.sh runs lintian on the package itself.
set -euo pipefail
usage() { echo "usage: $0 PACKAGE.deb|--installed" >&2; exit 2; }
[ $# -eq 1 ] || usage

work=$(mktemp -d "${TMPDIR:-/tmp}/daro-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/root"
if [ "$1" = --installed ]; then
  # Copied into a root of their own, so that validate-tree sees this package
  # alone and not every other one in /usr/share/metainfo.
  dpkg-query -L daro | while IFS= read -r f; do
    if [ -f "$f" ] || [ -L "$f" ]; then printf '%s\n' "${f#/}"; fi
  done | tar -C / -cf - -T - | tar -C "$work/root" -xf -
  echo "the installed files of daro $(dpkg-query -W -f='${Version}' daro)"
elif [ -f "$1" ] && [[ $1 == *.deb ]]; then
  dpkg-deb -x "$1" "$work/root"
else
  usage
fi
app_id=io.github.daro.Daro
failed=()

echo "== desktop-file-validate"
desktop=$work/root/usr/share/applications/$app_id.desktop
# desktop-file-utils 0.26 (Debian 12) predates the Desktop Entry 1.5 key
# SingleMainWindow and reports it as an unknown key; that one message is
# expected, every other error counts.
out=$(desktop-file-validate "$desktop" 2>&1 || true)
[ -n "$out" ] && echo "$out"
unknown_key="file contains key \"SingleMainWindow\" in group \"Desktop Entry\", but keys extending the format should start with \"X-\""
if grep -v -F "$unknown_key" <<<"$out" | grep -q ': error: '; then
  failed+=(desktop-file-validate)
elif grep -q -F "$unknown_key" <<<"$out"; then
  echo "(the SingleMainWindow error is expected: this validator predates Desktop Entry 1.5)"
fi

# What the validators let pass but a desktop needs: the program that Exec
# names and the icon that Icon names must be in the package, the icon at every
# size, and the menus need the main category.
echo "== desktop entry contents"
key() { sed -n "s/^$1=//p" "$desktop" | head -n1; }
entry_ok=1
missing() { echo "desktop entry: $*"; entry_ok=; }
for k in 'Name' 'Name\[zh_CN\]' 'Comment' 'Comment\[zh_CN\]'; do
  [ -n "$(key "$k")" ] || missing "no ${k//\\/}"
done
exec_prog=$(key Exec | cut -d' ' -f1)
[ -n "$exec_prog" ] && [ -x "$work/root/usr/bin/$exec_prog" ] || missing "Exec \"$exec_prog\" is not a program in usr/bin"
icon=$(key Icon)
[ -n "$icon" ] || missing "no Icon"
for size in 16 32 48 64 128; do
  [ -s "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] || missing "no ${size}px icon $icon.png"
done
[ -s "$work/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || missing "no scalable icon $icon.svg"
[[ ";$(key Categories)" == *";Education;"* ]] || missing "Categories lacks the main category Education"
[ "$(key SingleMainWindow)" = true ] || missing "SingleMainWindow is not true"
if [ -n "$entry_ok" ]; then
  echo "Exec, Icon (5 sizes and scalable), Categories, names and comments present"
else
  failed+=("desktop entry")
fi

echo "== appstreamcli validate"
appstreamcli validate --no-net --pedantic "$work/root/usr/share/metainfo/$app_id.metainfo.xml" \
  || failed+=("appstreamcli validate")
echo "== appstreamcli validate-tree"
appstreamcli validate-tree --no-net --pedantic "$work/root" || failed+=("appstreamcli validate-tree")

if [ ${#failed[@]} -ne 0 ]; then
  echo "package check FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "package check passed"
