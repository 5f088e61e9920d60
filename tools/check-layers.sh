#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keeps the layers apart: every #include "FOLDER/..." in a folder's sources
# must name that folder itself or one it may use, as the table below says.
# A layer that reaches up fails here, and CTest runs this as check_layers.
#
#   tools/check-layers.sh [SOURCE_DIR]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)

# folder: the folders it may include from (besides its own); * for any.
# The linker agrees: each folder's library links only these.
allowed='
base:
lessons: base
Speech: base
recorder: base
pronunciation: base
controls: base lessons
Unit1: base lessons controls
Unit3: base lessons controls
wnMain: base lessons Speech recorder pronunciation controls Unit1 Unit3
lessontool: base lessons
pronouncetool: base recorder pronunciation
tools:
tests: *
bench: *
fuzz: *
'

declare -A may
set -f # the table's * is no file pattern
while IFS=: read -r folder uses; do
  [ -n "$folder" ] && may[$folder]=" $folder $(echo $uses) "
done <<<"$allowed"

set +f
status=0
cd "$root"
# In a git checkout of its own, what git ignores is no source either: the
# copy of the tree that packaging/build-deb.sh builds the package from, say.
in_git=
[ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ] && in_git=1
for dir in */; do
  folder=${dir%/}
  # Build trees are no sources.
  [ -e "$folder/CMakeCache.txt" ] && continue
  [ -n "$in_git" ] && git check-ignore -q "$folder/" && continue
  mapfile -t sources < <(find "$folder" -type f \( -name '*.cpp' -o -name '*.h' \))
  [ ${#sources[@]} -gt 0 ] || continue
  if [ -z "${may[$folder]+set}" ]; then
    echo "$folder/: a source folder that tools/check-layers.sh does not know; add it to its table" >&2
    status=1
    continue
  fi
  [ "${may[$folder]}" = " $folder * " ] && continue
  while IFS= read -r hit; do
    used=$(sed -E 's/^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/]+)\/.*/\1/' <<<"$hit")
    case "${may[$folder]}" in
      *" $used "*) ;;
      *)
        echo "$hit: $folder/ may not use $used/" >&2
        status=1
        ;;
    esac
  done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z0-9_.-]+/' "${sources[@]}")
done
[ $status -eq 0 ] && echo "layers kept: every include goes to the folder itself or one it may use"
exit $status
