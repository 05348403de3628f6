#!/usr/bin/env bash
# Sets everything up, builds and runs the whole test suite.
# Usage: tools/test.sh [BUILD_DIR [extra cmake arguments...]]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
bash tools/setup.sh "$@"
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error -j2
