#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Seeds the fuzzers' work corpora (BUILD/work/TARGET) from real data: row
# streams that `daro-lessons read` prints for lesson files, the lesson TSV
# sources, the headers of wave files that sox and espeak-ng write, and typed
# text.
#
#   fuzz/make-seeds.sh DARO_LESSONS     the reader tool of a normal build
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(realpath "$1")
build=${DARO_FUZZ_BUILD_DIR:-build-fuzz}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

out=$build/work/rowstream
mkdir -p "$out"
"$tool" build resources/lessons -o "$tmp/bundled.mdb"
"$tool" build tests/lessons/fixtures -o "$tmp/fixtures.mdb"
"$tool" read "$tmp/bundled.mdb" Razorud365 Durizez900 >"$out/bundled"
"$tool" read "$tmp/fixtures.mdb" Razorud365 Durizez900 >"$out/fixtures"
"$tool" read "$tmp/fixtures.mdb" Durizez900 NoSuchTable >"$out/missing"
# Page 4 holds the second table's definition in files that daro-lessons builds:
# spoiling it leaves that one table unreadable.
cp "$tmp/fixtures.mdb" "$tmp/onetable.mdb"
printf '\001' | dd of="$tmp/onetable.mdb" bs=1 seek=$((4 * 4096)) conv=notrunc status=none
"$tool" read "$tmp/onetable.mdb" Razorud365 Durizez900 >"$out/unreadable"
head -c 4096 "$tmp/fixtures.mdb" >"$tmp/head.mdb"
"$tool" read "$tmp/head.mdb" Razorud365 >"$out/damaged" || true
"$tool" read resources/lessons/README.md Razorud365 >"$out/notjet" || true

out=$build/work/lessontsv
mkdir -p "$out"
cp resources/lessons/Razorud365.tsv resources/lessons/Durizez900.tsv "$out/"
for f in tests/lessons/fixtures/*.tsv; do cp "$f" "$out/fixture-$(basename "$f")"; done

# Wave headers: only the first kilobyte of each file, the samples do not matter.
out=$build/work/waveheader
mkdir -p "$out"
sox -n -r 11025 -c 1 -b 8 "$tmp/mono8.wav" trim 0 0.01
sox -n -r 44100 -c 2 -b 16 "$tmp/stereo16.wav" synth 0.01 sine 440
sox -n -r 48000 -c 1 -b 24 "$tmp/mono24.wav" synth 0.01 sine 440
sox -n -r 22050 -c 1 -e floating-point -b 32 "$tmp/float.wav" synth 0.01 sine 440
sox -n -r 8000 -c 1 -e u-law "$tmp/ulaw.wav" synth 0.01 sine 440
sox -n -r 8000 -c 6 -b 16 "$tmp/extensible.wav" synth 0.01 sine 440
sox -n -r 11025 -c 1 -b 8 --comment "daro" "$tmp/comment.wav" trim 0 0.01
espeak-ng -w "$tmp/espeak.wav" "Good morning." 2>/dev/null
for f in "$tmp"/*.wav; do head -c 1024 "$f" >"$out/$(basename "$f")"; done
# The empty recording file the program writes before it records: 1 channel, 8 bits, 11025 Hz.
printf 'RIFF$\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x11\x2b\0\0\x11\x2b\0\0\x01\0\x08\0data\0\0\0\0' >"$out/empty-recording"

# Typed text, as UTF-16LE: the lesson sources (English and Chinese) and text as
# a learner types it with a Chinese input method.
out=$build/work/speechtext
mkdir -p "$out"
for f in resources/lessons/*.tsv; do iconv -f UTF-8 -t UTF-16LE "$f" >"$out/$(basename "$f")"; done
printf '%s' '我说：“Hello, I’m Tom.” 他说：“Nice to meet you!”（２０２４年）' | iconv -f UTF-8 -t UTF-16LE >"$out/typed"
printf '%s' 'café naïve — Straße… ½ ÆØ' | iconv -f UTF-8 -t UTF-16LE >"$out/latin"
printf 'Good morning.
Good night.
	TabVT' | iconv -f UTF-8 -t UTF-16LE >"$out/breaks"

for target in rowstream lessontsv waveheader speechtext; do
  echo "$build/work/$target: $(ls "$build/work/$target" | wc -l) seeds"
done
