#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every benchmark in a RelWithDebInfo tree and runs them one after
# another, printing the machine and all their figures. The full run takes
# about 75 minutes (the listening steps 5, the soak 10, the voices 25, the
# pronunciation check 25 of them).
#
#   bench/run-all.sh [BUILD_DIR]        default: build-bench in the source tree
#
#   QUICK=1   short step and soak runs, to try the script out (figures not comparable)
#
# Sound goes only to private PulseAudio servers with null sinks; windows only to
# Xvfb or the offscreen platform. Exits non-zero when a benchmark failed to run
# or a soak check failed; never on a timing figure.
set -uo pipefail

src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$src/build-bench}
quick=${QUICK:-0}
bash "$src/tools/install-deps.sh" all || exit 1

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR=$src
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDARO_BUILD_BENCHMARKS=ON "${launcher[@]}" >/dev/null || exit 1

wanted=(daro daro-lessons daro-lessons-read daro-pronounce daro_lessons_file bench_bare_window bench_lessons
        bench_lessonfile bench_speech bench_voices bench_pronunciation bench_recorder bench_steps bench_soak)
known=$(ninja -C "$build" -t targets all 2>/dev/null | cut -d: -f1)
targets=()
for t in "${wanted[@]}"; do
  grep -qx "$t" <<<"$known" && targets+=("$t")
done
echo "building: ${targets[*]}"
cmake --build "$build" --target "${targets[@]}" -j2 >"$build/bench-build.log" 2>&1 || {
  tail -30 "$build/bench-build.log"
  exit 1
}

echo
echo "== machine"
echo "cores: $(nproc); CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo); kernel $(uname -r);" \
     "Debian $(cat /etc/debian_version 2>/dev/null); Qt $(pkg-config --modversion Qt6Core 2>/dev/null)"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

failed=()
run() {
  local name=$1
  shift
  echo
  echo "== $name: $*"
  local started=$SECONDS
  # The sound benchmarks start their own private server when PULSE_SERVER is unset.
  if env -u PULSE_SERVER "$@"; then
    echo "-- $name done in $((SECONDS - started)) s; load average $(cut -d' ' -f1-3 /proc/loadavg)"
  else
    echo "-- $name FAILED (exit $?)"
    failed+=("$name")
  fi
}
have() { [ -x "$build/bin/$1" ]; }

bin=$build/bin
have bench_lessons && run lessons "$bin/bench_lessons" --save "$build/lessons-10000.mdb"
have bench_lessonfile && run lessonfile "$bin/bench_lessonfile"
have bench_speech && run speech "$bin/bench_speech"
have bench_recorder && run recorder "$bin/bench_recorder"
if [ -f "$src/bench/startup.py" ] && command -v Xvfb >/dev/null; then
  lessons=()
  [ -f "$build/lessons-10000.mdb" ] && lessons=(--lesson-file "$build/lessons-10000.mdb")
  # Debian's own interpreter, which has python3-xlib, whatever python3 is first on PATH.
  run startup /usr/bin/python3 "$src/bench/startup.py" "$build" "${lessons[@]}"
fi
if [ "$quick" = 1 ]; then
  have bench_voices && run voices "$bin/bench_voices" --sentences 20 --runs 3
  have bench_pronunciation && run pronunciation "$bin/bench_pronunciation" --sentences 5 --latency 1 --pronounce 3 --real 2
  have bench_steps && run steps "$bin/bench_steps" --steps 20 --interval 500
  have bench_soak && run soak "$bin/bench_soak" --ticks 20000 --sentences 20
else
  have bench_voices && run voices "$bin/bench_voices"
  have bench_pronunciation && run pronunciation "$bin/bench_pronunciation"
  have bench_steps && run steps "$bin/bench_steps"
  have bench_soak && run soak "$bin/bench_soak"
fi

echo
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
echo "all benchmarks ran"
