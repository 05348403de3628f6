#!/usr/bin/env bash
# Sets everything up, then runs Stovan's main job on its built-in default
# system root. Extra arguments go to the stovan program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh build >&2
exec build/stovan "$@"
