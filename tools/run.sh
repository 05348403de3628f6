#!/usr/bin/env bash
# Sets everything up, then shows Stovan's main job offline: `stovan demo`
# serves the sample web site of the build on 127.0.0.1 and runs the launch
# step, a full check, installations, an update with a backup and an
# uninstallation on a throw-away system root (docs/demo.md). Extra
# arguments go to `stovan demo` (for example --keep DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh build >&2
exec build/stovan demo "$@"
