#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs the libFuzzer targets (clang; a build directory of its own).
#
#   fuzz/run.sh check [SECONDS]          each target for SECONDS (60) over a copy
#                                        of its committed corpus; fails on a finding
#   fuzz/run.sh explore TARGET SECONDS   one target, growing its work corpus
#                                        (BUILD/work/TARGET) from the committed one
#   fuzz/run.sh merge TARGET             minimises the work corpus into fuzz/corpus/TARGET
#
# BUILD is $DARO_FUZZ_BUILD_DIR, by default build-fuzz. Findings are written
# to BUILD/findings/. Runs niced and one job at a time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${DARO_FUZZ_BUILD_DIR:-build-fuzz}
targets=(rowstream lessontsv waveheader speechtext)

configure() {
  cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$build" -j2
  mkdir -p "$build/findings"
}

# run TARGET CORPUS_DIR SECONDS
run() {
  local target=$1 corpus=$2 seconds=$3
  nice "$build/bin/fuzz_$target" "$corpus" -dict="$root/fuzz/dict/$target.dict" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target-"
}

case ${1:-check} in
  check)
    seconds=${2:-60}
    configure
    for target in "${targets[@]}"; do
      work=$(mktemp -d)
      [ -d "fuzz/corpus/$target" ] && cp -r "fuzz/corpus/$target/." "$work/"
      echo "== fuzz_$target, ${seconds} s from $(ls "$work" | wc -l) corpus inputs"
      status=0
      run "$target" "$work" "$seconds" 2>"$build/fuzz_$target.log" || status=$?
      grep -E '^(stat::number_of_executed_units|stat::new_units_added)|^#[0-9]+.*DONE' "$build/fuzz_$target.log" || true
      rm -rf "$work"
      if [ "$status" -ne 0 ]; then
        tail -n 60 "$build/fuzz_$target.log"
        echo "fuzz_$target found a problem; the input is in $build/findings/" >&2
        exit 1
      fi
    done
    ;;
  explore)
    target=$2
    configure
    mkdir -p "$build/work/$target"
    cp -rn "fuzz/corpus/$target/." "$build/work/$target/" 2>/dev/null || true
    run "$target" "$build/work/$target" "$3"
    ;;
  merge)
    target=$2
    configure
    fresh=$(mktemp -d)
    mkdir -p "fuzz/corpus/$target" "$build/work/$target"
    # Inputs are cut to 4 KiB: longer ones only repeat what shorter ones cover.
    nice "$build/bin/fuzz_$target" -merge=1 -max_len=4096 "$fresh" "fuzz/corpus/$target" "$build/work/$target"
    rm -rf "fuzz/corpus/$target"
    mkdir -p "fuzz/corpus/$target"
    cp "$fresh"/* "fuzz/corpus/$target/"
    rm -rf "$fresh"
    echo "fuzz/corpus/$target: $(ls "fuzz/corpus/$target" | wc -l) inputs, $(du -sk "fuzz/corpus/$target" | cut -f1) KiB"
    ;;
  *)
    sed -n '3,12p' "$0" >&2
    exit 2
    ;;
esac
