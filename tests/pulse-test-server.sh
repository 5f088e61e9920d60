#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A private, headless PulseAudio server for the tests that need sound:
# a null sink ("daro_sink") as output and a remap of its monitor ("daro_mic")
# as the default input, and two sources that a test may make the default
# input: a 440 Hz tone ("daro_tone") and silence from an input that buffers up
# to 2 s while nobody reads it ("daro_idle"); on a socket of our own so the
# user's sound server is never touched.
#   pulse-test-server.sh start DIR   starts it, prints PULSE_SERVER=unix:DIR/native
#   pulse-test-server.sh stop DIR    stops it
set -euo pipefail
cmd=${1:?start|stop}
dir=${2:?directory}
mkdir -p "$dir"
chmod 700 "$dir"
dir=$(cd "$dir" && pwd)
sock="$dir/native"

stop() {
  if [ -f "$dir/pid" ]; then
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$(cat "$dir/pid")" 2>/dev/null || break; sleep 0.1; done
    rm -f "$dir/pid"
  fi
}

case "$cmd" in
start)
  stop
  rm -f "$sock"
  # HOME and XDG_RUNTIME_DIR point into DIR: pulseaudio keeps its state there,
  # and a client with XDG_RUNTIME_DIR set would otherwise look elsewhere.
  HOME="$dir" XDG_RUNTIME_DIR="$dir" setsid pulseaudio --daemonize=no --exit-idle-time=-1 \
    --system=false -n --use-pid-file=false -F /dev/null \
    --load="module-native-protocol-unix socket=$sock auth-anonymous=1" \
    --load="module-null-sink sink_name=daro_sink rate=44100" \
    --load="module-remap-source master=daro_sink.monitor source_name=daro_mic" \
    --load="module-sine-source source_name=daro_tone frequency=440" \
    --load="module-null-source source_name=daro_idle max_latency_msec=2000" \
    >"$dir/log" 2>&1 </dev/null &
  echo $! >"$dir/pid"
  for _ in $(seq 100); do
    if PULSE_SERVER="unix:$sock" pactl set-default-source daro_mic >/dev/null 2>&1; then
      echo "PULSE_SERVER=unix:$sock"
      exit 0
    fi
    sleep 0.1
  done
  echo "pulseaudio did not start; its log:" >&2
  cat "$dir/log" >&2
  stop
  exit 1
  ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
