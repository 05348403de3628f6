#!/usr/bin/env bash
# Sets everything up, then shows Stovan's main job offline: `stovan demo`
# serves the sample web site of the build on 127.0.0.1 and runs the launch
# step on a throw-away system root (docs/demo.md). With a display (DISPLAY
# or WAYLAND_DISPLAY) the window then opens on that root, its launch step
# checks every application, and the buttons are the user's; without one a
# full check, installations, an update with a backup and an uninstallation
# run headless. Extra arguments go to `stovan demo` (for example --keep DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh build >&2
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/stovan demo --window "$@"
fi
exec build/stovan demo "$@"
