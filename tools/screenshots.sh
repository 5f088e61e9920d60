#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's pictures of the three pages from a built tree:
#   tools/screenshots.sh [BUILD_DIR [OUT_DIR]]     (defaults: build, docs/screenshots)
# The program runs on its own X server (xvfb-run) with openbox and the private
# PulseAudio server, and is driven like a learner drives it, with xdotool:
#   listen.png    the first section of 热点听力 chosen in the tree
#   read.png      a text typed on the Read page
#   practice.png  the first sentence of that section typed and confirmed
# The window has a fixed size and a fixed layout, so the controls are clicked
# at their design positions, measured from the top-left corner of the pages
# (found by their sky-blue colour) and the tree's place in the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
out=$(realpath -m "${2:-$root/docs/screenshots}")

if [ -z "${DARO_SCREENSHOTS_X:-}" ]; then
  exec env DARO_SCREENSHOTS_X=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash ${DARO_TRACE:+-x} "$0" "$build" "$out"
fi

[ -x "$build/bin/daro" ] || { echo "no program at $build/bin/daro: build it first" >&2; exit 1; }
lessons=$build/share/daro/Daruradazi.mdb
# The answer typed on the Practice page: the lesson's first English sentence.
answer=$("$build/bin/daro-lessons" query "$lessons" Razorud365 a | awk -F'\t' 'NR == 1 {print $2}')
[ -n "$answer" ] || { echo "cannot read the first sentence of lesson a" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/daro-shots.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  bash "$root/tests/pulse-test-server.sh" stop "$work/pulse" || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/home" "$out"
export HOME=$work/home QT_QPA_PLATFORM=xcb
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME SESSION_MANAGER
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
server=$(bash "$root/tests/pulse-test-server.sh" start "$work/pulse")
export "${server?}" XDG_RUNTIME_DIR=$work/pulse

"$build/bin/daro" >"$work/daro.log" 2>&1 &
daro_pid=$!
pids+=("$daro_pid")
win=
for _ in $(seq 300); do
  win=$(xdotool search --all --onlyvisible --pid "$daro_pid" --name '^daro$' 2>/dev/null | awk 'NR == 1' || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { cat "$work/daro.log" >&2; echo "no daro window" >&2; exit 1; }
sleep 1

shot() { import -window "$win" "$1"; }
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.5; }
keys() { xdotool key --window "$win" --delay 150 "$@"; sleep 0.3; }

shot "$work/start.png"
height=$(identify -format '%h' "$work/start.png")
menu=$((height - 366))
# Top-left corner of the pages: the first sky-blue pixel down a column and along a row.
first_blue() { convert "$work/start.png" -crop "$1" +repage txt:- | awk -F'[,:]' -v f="$2" '!found && tolower($0) ~ /#a6caf0/ {print $f; found = 1}'; }
page_y=$(first_blue "1x$height+100+0" 2)
page_x=$(first_blue "525x1+0+$((page_y + 20))" 1)
[ -n "$page_y" ] && [ -n "$page_x" ] || { echo "cannot find the pages in the window" >&2; exit 1; }
tab_y=$(((menu + 48 + page_y) / 2))
tree_empty_x=$((376 + 68)) tree_empty_y=$((menu + 48 + 270))

# Listen: select 热点听力 › 第一章 › 第一节 with the keys, then click the tree:
# the tree acts on its selected node whenever it is clicked.
click $tree_empty_x $tree_empty_y
keys Down Right Down Right Down
click $tree_empty_x $tree_empty_y
sleep 1
shot "$out/listen.png"

# Read: the 读 tab, then a text in the box.
click $((16 + 70)) $tab_y
click $((page_x + 40 + 136)) $((page_y + 32 + 60))
xdotool type --window "$win" --delay 40 "Every day a quarter of an hour, and English becomes easy."
sleep 0.5
shot "$out/read.png"

# Practice: the 练 tab, the same section from the tree, its first sentence
# typed into the answer box and confirmed with 确 定.
click $((16 + 116)) $tab_y
click $tree_empty_x $tree_empty_y
click $((page_x + 72 + 100)) $((page_y + 72 + 28))
xdotool type --window "$win" --delay 40 "$answer"
click $((page_x + 280 + 28)) $((page_y + 104 + 12))
sleep 1
shot "$out/practice.png"

wmctrl -i -c "$win"
wait "$daro_pid"
for page in listen read practice; do echo "$out/$page.png"; done
