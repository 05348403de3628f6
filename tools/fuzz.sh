#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short while.
# Usage: tools/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
targets=$(for source in fuzz/*.cpp; do basename "$source" .cpp | sed 's/^/fuzz_/'; done | tr '\n' ' ')
STOVAN_TARGETS="$targets" CC=clang CXX=clang++ bash tools/setup.sh build-fuzz -DSTOVAN_FUZZ=ON -DSTOVAN_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
shopt -s nullglob
for target in build-fuzz/fuzz_*; do
  name=$(basename "$target")
  corpus="fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "fuzz: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work" 2>&1 | tail -n 3
  rm -rf "$work"
done
