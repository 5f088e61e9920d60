#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end check of daro as it is installed.
#
#   tools/smoke-test.sh BUILD_DIR|PACKAGE.deb|--installed [SCREENSHOT.png]
#
# Installs the program into a fresh prefix (the files of the Debian package,
# or `cmake --install` of a build directory), or takes the installed package
# as it is (--installed, as autopkgtest does), checks the installed layout,
# then starts the installed program on its own X server (Xvfb) with a window
# manager (openbox) and the private PulseAudio server, and checks:
#   - one window titled "daro" appears, and only one (an error box at start-up
#     would be a second window, or come instead of the main window);
#   - it is 525 pixels wide and 366 pixels plus the menu bar high, cannot be
#     resized (size hints, and the window manager offers neither maximise nor
#     resize), is centred on the screen and has an icon;
#   - its client area below the menu bar is exactly 525 x 366. Qt draws its
#     widgets into one X window, so a second start with QT_USE_NATIVE_WINDOWS=1
#     gives each widget an X window of its own: there the menu bar and the
#     central widget are measured directly, and the first window's height
#     must equal the two together;
#   - closing the window through the window manager (wmctrl -c asks openbox,
#     which sends WM_DELETE_WINDOW, as the title bar's close button does) ends
#     the program with exit code 0;
#   - started under a Chinese locale it loads Qt's Chinese catalogue, so Qt's
#     own buttons are Chinese, and still shows its main window alone;
#   - the program changed no installed file, the lesson file included.
# A screenshot of the first start is written to SCREENSHOT.png when given;
# after a failure the whole screen goes to SCREENSHOT-failed.png instead.
set -euo pipefail

usage() { echo "usage: $0 BUILD_DIR|PACKAGE.deb|--installed [SCREENSHOT.png]" >&2; exit 2; }
[ $# -ge 1 ] && [ $# -le 2 ] || usage
source_arg=$1
screenshot=${2:-}
[ -n "$screenshot" ] && screenshot=$(realpath -m "$screenshot")
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/daro-smoke.XXXXXX")
pids=()
cleanup() {
  local status=$?
  # What the screen showed when it failed, when the caller asked for pictures.
  if [ "$status" -ne 0 ] && [ -n "$screenshot" ] && [ -n "${started:-}" ]; then
    import -window root "${screenshot%.png}-failed.png" 2>/dev/null \
      && echo "the screen at the failure: ${screenshot%.png}-failed.png" >&2 || true
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -d "$work/pulse" ] && bash "$here/../tests/pulse-test-server.sh" stop "$work/pulse" || true
  if [ "$status" -ne 0 ]; then
    for log in "$work"/*.log; do
      [ -s "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; }
    done
    echo "smoke test FAILED" >&2
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP PIPE

fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }

# --- Install into a fresh prefix ----------------------------------------------
installed=
if [ "$source_arg" = --installed ]; then
  installed=1
  prefix=/usr
  ok "the installed package daro $(dpkg-query -W -f='${Version}' daro)"
elif [ -f "$source_arg" ] && [[ $source_arg == *.deb ]]; then
  dpkg-deb -x "$source_arg" "$work/root"
  prefix=$work/root/usr
  ok "unpacked $(basename "$source_arg") into a fresh root"
elif [ -d "$source_arg" ]; then
  prefix=$work/prefix
  cmake --install "$source_arg" --prefix "$prefix" >"$work/install.log"
  ok "installed $source_arg into a fresh prefix"
else
  usage
fi

app_id=io.github.daro.Daro
for f in bin/daro bin/daro-lessons bin/daro-lessons-read bin/daro-pronounce share/daro/Daruradazi.mdb \
  share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
  share/icons/hicolor/scalable/apps/$app_id.svg; do
  [ -s "$prefix/$f" ] || fail "$f is not installed"
done
for f in bin/daro bin/daro-lessons bin/daro-lessons-read bin/daro-pronounce; do
  [ -x "$prefix/$f" ] || fail "$f is not executable"
done
for size in 16 32 48 64 128; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png
  [ -s "$icon" ] || fail "the ${size}px icon is not installed"
  got=$(identify -format '%wx%h' "$icon")
  [ "$got" = "${size}x${size}" ] || fail "the ${size}px icon is $got"
done
module=$(find "$prefix" -name daro-recogniser.so -path '*/daro/*' | head -1)
[ -n "$module" ] || fail "the recogniser module daro-recogniser.so is not installed"
ok "installed layout: program, lesson tool, pronunciation command and module, lesson file, desktop file, metainfo, icons"

# The installed lesson tool must read the installed lesson file.
"$prefix/bin/daro-lessons" dump "$prefix/share/daro/Daruradazi.mdb" Razorud365 >"$work/dump.txt" 2>"$work/dump.log" \
  || fail "daro-lessons cannot read the installed lesson file"
[ -s "$work/dump.txt" ] || fail "the installed lesson file has no Razorud365 rows"
ok "daro-lessons reads $(wc -l <"$work/dump.txt") Razorud365 rows from the installed file"

# The reader the program runs starts without Qt, and reads the installed file:
# its stream begins with a table, not with the error frame.
if ldd "$prefix/bin/daro-lessons-read" | grep -qi 'libQt'; then
  fail "daro-lessons-read links Qt: $(ldd "$prefix/bin/daro-lessons-read" | grep -i libQt | tr -s ' \t' ' ')"
fi
"$prefix/bin/daro-lessons-read" "$prefix/share/daro/Daruradazi.mdb" Razorud365 Durizez900 >"$work/stream.bin" \
  || fail "daro-lessons-read failed on the installed lesson file"
[ "$(head -c 8 "$work/stream.bin")" = DAROROWS ] && [ "$(dd if="$work/stream.bin" bs=1 skip=12 count=1 2>/dev/null)" = T ] \
  || fail "daro-lessons-read gives no table of the installed lesson file"
ok "daro-lessons-read, without Qt, reads the installed lesson file"

# Every installed file, to compare after the runs: the prefix's, or those of
# the installed package.
checksums() {
  if [ -n "$installed" ]; then
    dpkg-query -L daro | while IFS= read -r f; do
      if [ -f "$f" ]; then printf '%s\0' "$f"; fi
    done | sort -z | xargs -0 sha256sum
  else
    (cd "$prefix" && find . -type f -print0 | sort -z | xargs -0 sha256sum)
  fi
}
checksums >"$work/before.sha256"

# --- Display, window manager, sound server ------------------------------------
mkdir -p "$work/home"
export HOME=$work/home
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME SESSION_MANAGER

# Xvfb picks a free display itself, but another server starting at the same
# moment can take it from under it; so the display and the window manager get
# a few tries. Success means our Xvfb still runs and openbox manages it.
start_display() {
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >>"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  pids+=("$xvfb_pid")
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  [ -s "$work/display" ] || return 1
  DISPLAY=:$(tr -d '[:space:]' <"$work/display")
  export DISPLAY
  openbox --sm-disable >>"$work/openbox.log" 2>&1 &
  openbox_pid=$!
  pids+=("$openbox_pid")
  for _ in $(seq 200); do
    kill -0 "$xvfb_pid" 2>/dev/null && kill -0 "$openbox_pid" 2>/dev/null || break
    wmctrl -m >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  kill "$openbox_pid" "$xvfb_pid" 2>/dev/null || true
  wait "$openbox_pid" "$xvfb_pid" 2>/dev/null || true
  return 1
}
started=
for _ in 1 2 3; do
  if start_display; then started=1; break; fi
done
[ -n "$started" ] || fail "no X display with a window manager after three tries"

server=$(bash "$here/../tests/pulse-test-server.sh" start "$work/pulse")
export "${server?}"
export XDG_RUNTIME_DIR=$work/pulse
export QT_QPA_PLATFORM=xcb
ok "Xvfb $DISPLAY, openbox and the private sound server are up"

# --- One run of the installed program -----------------------------------------
# run NAME [ENV ARGUMENTS...]: starts daro under env with these (VAR=VALUE,
# -u VAR), leaves its pid in $daro_pid and its window in $win (the one visible
# window of the process titled "daro").
run() {
  local name=$1
  shift
  env "$@" "$prefix/bin/daro" >"$work/$name.log" 2>&1 &
  daro_pid=$!
  pids+=("$daro_pid")
  win=
  for _ in $(seq 300); do
    win=$(xdotool search --all --onlyvisible --pid "$daro_pid" --name '^daro$' 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && break
    kill -0 "$daro_pid" 2>/dev/null || fail "$name: daro ended before showing a window"
    sleep 0.1
  done
  [ -n "$win" ] || fail "$name: no window titled daro within 30 s"
}

# alone NAME: the window is the only top-level window of the process. Anything
# else the start-up puts up (an error box) is up by the time the main window
# shows: the boxes are modal and come before it.
alone() {
  local name=$1 count
  sleep 1
  count=$(xdotool search --all --onlyvisible --pid "$daro_pid" --name '' 2>/dev/null | wc -l)
  [ "$count" -eq 1 ] || fail "$name: $count visible windows instead of the main window alone"
  ok "$name: the main window is the only window"
}

# close NAME: asks the window manager to close $win, waits for the exit status.
close() {
  local name=$1 status=0
  wmctrl -i -c "$win"
  for _ in $(seq 200); do kill -0 "$daro_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$daro_pid" 2>/dev/null && fail "$name: daro still runs 20 s after its window was closed"
  wait "$daro_pid" || status=$?
  [ "$status" -eq 0 ] || fail "$name: daro exited with status $status"
  ok "$name: closed through the window manager, exit status 0"
}

# geometry ID: sets w, h, x, y (absolute, of the client window) from xwininfo.
geometry() {
  local info
  info=$(xwininfo -id "$1")
  w=$(awk '/^ *Width:/ {print $2}' <<<"$info")
  h=$(awk '/^ *Height:/ {print $2}' <<<"$info")
  x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
}

# First start, as a user starts it.
run plain
alone plain
geometry "$win"
[ "$w" -eq 525 ] || fail "the window is $w pixels wide, not 525 (an error box instead of the main window?)"
[ "$h" -gt 366 ] || fail "the window is $h pixels high: no room for the menu bar above 366"
plain_h=$h
ok "window ${w}x${h}"

hints=$(xprop -id "$win" WM_NORMAL_HINTS)
grep -q "minimum size: 525 by $h" <<<"$hints" || fail "minimum size is not ${w}x${h}: $hints"
grep -q "maximum size: 525 by $h" <<<"$hints" || fail "maximum size is not ${w}x${h}: $hints"
actions=$(xprop -id "$win" _NET_WM_ALLOWED_ACTIONS)
for action in _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_MAXIMIZE_VERT _NET_WM_ACTION_RESIZE; do
  if grep -q "$action" <<<"$actions"; then fail "the window manager allows $action"; fi
done
for action in _NET_WM_ACTION_CLOSE _NET_WM_ACTION_MINIMIZE; do
  grep -q "$action" <<<"$actions" || fail "the window manager does not allow $action"
done
ok "fixed size: no resize, no maximise; close and minimise allowed"

# Centred: Qt may centre the client area or the frame, depending on whether
# it knew the frame's size when the window first showed.
read -r fl fr ft fb < <(xprop -id "$win" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,/ /g')
cx=$((2 * x + w)) cy=$((2 * y + h))                             # twice the client centre
fx=$((2 * (x - fl) + w + fl + fr)) fy=$((2 * (y - ft) + h + ft + fb)) # twice the frame centre
centred() { local d=$(($1 - $2)); [ "${d#-}" -le 2 ]; }
if ! { centred $cx 1024 && centred $cy 768; } && ! { centred $fx 1024 && centred $fy 768; }; then
  fail "the window at $x,$y is not centred on the 1024x768 screen"
fi
ok "centred on the screen"

xprop -id "$win" _NET_WM_ICON | grep -q 'Icon (' || fail "the window has no icon"
ok "window icon set"

if [ -n "$screenshot" ]; then
  mkdir -p "$(dirname "$screenshot")"
  shot=$screenshot
else
  shot=$work/daro.png
fi
import -window "$win" "$shot"
[ "$(identify -format '%wx%h' "$shot")" = "${w}x${h}" ] || fail "the screenshot is not ${w}x${h}"
colours=$(identify -format '%k' "$shot")
[ "$colours" -gt 50 ] || fail "the screenshot has only $colours colours: the window is not drawn"
ok "screenshot ${w}x${h} with $colours colours${screenshot:+: $screenshot}"

close plain

# Second start with a native X window per widget, to measure the central widget.
run native QT_USE_NATIVE_WINDOWS=1
geometry "$win"
children=$(xwininfo -id "$win" -children | grep -E '^ +0x[0-9a-f]+ ' || true)
central=$(grep -E " 525x366\+0\+[0-9]+ " <<<"$children" | head -n1 || true)
[ -n "$central" ] || fail "no 525x366 child window (central widget) in: $children"
menu_h=$(sed -E 's/.* 525x366\+0\+([0-9]+) .*/\1/' <<<"$central")
grep -qE " 525x$menu_h\+0\+0 " <<<"$children" || fail "no menu bar of 525x$menu_h at the top in: $children"
[ "$h" -eq $((menu_h + 366)) ] || fail "the central widget is not at the bottom of the $h pixel window"
[ "$plain_h" -eq $((menu_h + 366)) ] || fail "the window is $plain_h high, not menu bar $menu_h + 366"
ok "client area: menu bar 525x$menu_h at the top, central widget 525x366 below it"
close native

# Third start under a Chinese locale: QTranslator maps the catalogue files it
# loads, so the process's mappings show whether Qt's own catalogue (from
# qt6-translations-l10n) was found.
run chinese -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=zh_CN.UTF-8
alone chinese
catalogues=$(grep -o '/[^ ]*_zh_CN\.qm$' "/proc/$daro_pid/maps" | sort -u || true)
grep -q '/qtbase_zh_CN\.qm$' <<<"$catalogues" \
  || fail "chinese: Qt's Chinese catalogue is not loaded (mapped: ${catalogues:-none})"
ok "chinese: Qt's catalogues loaded: $(sed 's|.*/||' <<<"$catalogues" | paste -sd' ')"
close chinese

# --- Nothing installed was changed --------------------------------------------
checksums >"$work/after.sha256"
diff -u "$work/before.sha256" "$work/after.sha256" >&2 || fail "the runs changed installed files"
ok "installed files unchanged, lesson file $(awk '/Daruradazi.mdb/ {print substr($1, 1, 16)}' "$work/after.sha256")..."

echo "smoke test passed"
