#!/usr/bin/env bash
# Takes the documentation's pictures of the window: the demonstration
# (stovan demo --screenshots) under Xvfb, a real X server without a screen,
# so that the window is drawn as a desktop draws it. Installs xvfb (Debian)
# when it is missing. Usage: tools/screenshots.sh [FOLDER] (default
# docs/screenshots).
set -euo pipefail
cd "$(dirname "$0")/.."
folder="${1:-docs/screenshots}"
if ! command -v xvfb-run >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends xvfb xauth
fi
[ -x build/stovan ] || bash tools/setup.sh build >&2
# The same pictures on every machine: C locale, UTC, Qt's own style.
export LC_ALL=C TZ=UTC QT_QPA_PLATFORM=xcb QT_STYLE_OVERRIDE=Fusion
unset WAYLAND_DISPLAY
xvfb-run -a -s "-screen 0 1280x800x24" build/stovan demo --screenshots "$folder" >/dev/null
ls -l "$folder"/*.png
