#!/usr/bin/env bash
# Line and branch coverage of the program's own code (every layer, the
# executables; not tests/, bench/ or fuzz/) as the whole test suite reaches it.
# Builds with gcov instrumentation into its own folder, runs ctest there and
# reports with gcovr: the total, one line per top folder, and
# BUILD_DIR/coverage/summary.json (per file) for comparing two runs.
# Usage: tools/coverage.sh [BUILD_DIR]   (default build-coverage)
# COVERAGE_SUITES="platform shell ..." limits the run to those test suites
# (test_<suite>, run directly), for comparing what they alone reach.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v gcovr >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends gcovr
fi

build_dir="${1:-build-coverage}"
# Instrumented, unoptimised: each line counts where it is written.
suites="${COVERAGE_SUITES:-}"
targets=""
for suite in $suites; do
  targets="$targets test_$suite"
done
STOVAN_TARGETS="${targets# }" bash tools/setup.sh "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DSTOVAN_BENCH=OFF \
  -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DSTOVAN_COVERAGE=ON

# Counts of an earlier run would add up with this one.
find "$build_dir" -name '*.gcda' -delete
# A failing test still leaves its counts; the report says how the run went.
suite=0
if [ -z "$suites" ]; then
  ctest --test-dir "$build_dir" -j2 --output-on-failure >"$build_dir/coverage-ctest.log" 2>&1 || suite=$?
else
  : >"$build_dir/coverage-ctest.log"
  for name in $suites; do
    LC_ALL=C LANG=C TZ=UTC "$build_dir/test_$name" --gtest_brief=1 \
      >>"$build_dir/coverage-ctest.log" 2>&1 || suite=$?
  done
fi
tail -n 3 "$build_dir/coverage-ctest.log"

report="$build_dir/coverage"
mkdir -p "$report"
# Branches that only exist for exceptions the compiler adds, and those it
# can prove unreachable, are not the code's own decisions.
gcovr --root . --object-directory "$build_dir" -j 2 \
  --exclude-directories '.*/CMakeFiles/[0-9.]+/' \
  --exclude '(.*/)?tests/' --exclude '(.*/)?bench/' --exclude '(.*/)?fuzz/' \
  --exclude "$build_dir/" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary-pretty --json-summary "$report/summary.json" \
  --txt "$report/files.txt" --print-summary >"$report/total.txt"
cat "$report/total.txt"

python3 - "$report/summary.json" <<'EOF'
import json, sys
from collections import defaultdict
files = json.load(open(sys.argv[1]))["files"]
folders = defaultdict(lambda: [0, 0, 0, 0])
for f in files:
    top = f["filename"].split("/")[0] if "/" in f["filename"] else "."
    row = folders[top]
    row[0] += f["line_covered"]; row[1] += f["line_total"]
    row[2] += f["branch_covered"]; row[3] += f["branch_total"]
def pct(a, b):
    return f"{100.0 * a / b:6.2f}%" if b else "    --"
print(f"{'folder':<10} {'lines':>15} {'line%':>8} {'branches':>15} {'branch%':>8}")
for top in sorted(folders):
    lc, lt, bc, bt = folders[top]
    print(f"{top:<10} {lc:>7}/{lt:<7} {pct(lc, lt)} {bc:>7}/{bt:<7} {pct(bc, bt)}")
EOF
exit "$suite"
