#!/usr/bin/env bash
# Fails when a source file of a layer includes a header of a layer that is
# not below it. Usage: tools/check-layers.sh LAYERS_FILE
# LAYERS_FILE (written by the build) holds one line per layer: the layer,
# then every layer it may include from.
set -euo pipefail
cd "$(dirname "$0")/.."
layers_file="$1"
declare -A allowed
while read -r layer deps; do
  [ -n "$layer" ] && allowed[$layer]=" $layer $deps "
done <"$layers_file"

failures=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS=: read -r file line text; do
    included=$(sed -E 's/^#include "([^/"]+)\/.*/\1/' <<<"$text")
    # A folder that is no layer (a layer's own subfolder named without the
    # layer, a system header) is not checked.
    [ -n "${allowed[$included]:-}" ] || continue
    if [[ "${allowed[$layer]}" != *" $included "* ]]; then
      echo "$file:$line: layer '$layer' must not include '$included' (it stands on:${allowed[$layer]})"
      failures=$((failures + 1))
    fi
  done < <(grep -rnE '^#include "[^/"]+/' --include='*.cpp' --include='*.h' "$layer" || true)
done
# Qt is the desktop program's alone: no layer below ui/ includes a Qt header.
while IFS=: read -r file line text; do
  case "$file" in ui/* | app/* | tests/ui/* | bench/ui* ) continue ;; esac
  echo "$file:$line: only ui/ and app/ may include Qt ($text)"
  failures=$((failures + 1))
done < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' |
  xargs -r grep -nE '^#include <Q[A-Za-z]*(/|>)' /dev/null || true)
if [ "$failures" -gt 0 ]; then
  echo "$failures include(s) point up or sideways"
  exit 1
fi
echo "layers: every include points down"
