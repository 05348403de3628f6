#!/usr/bin/env bash
# Time and peak memory of `stovan list` and `stovan list --json` on a root
# whose user database holds N generated entries (the entries of
# bench/database.cpp; 20,000 of them make a 10 MB file).
# Usage: tools/bench-list.sh [STOVAN_PROGRAM [N...]]   (default: build/stovan 10000 20000)
set -euo pipefail
cd "$(dirname "$0")/.."

program="$(realpath "${1:-build/stovan}")"
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 20000)

work="$(mktemp -d "${TMPDIR:-/tmp}/stovan-bench-list.XXXXXX")"
trap 'rm -rf "$work"' EXIT

for count in "${counts[@]}"; do
  root="$work/root$count"
  STOVAN_ROOT="$root" "$program" root >/dev/null
  python3 - "$count" >"$root/Work/Stovan/Database/User/Bench.db" <<'EOF'
import sys
out = ["; generated database\n\n"]
for i in range(int(sys.argv[1])):
    name = "Application%d" % i
    entry = '#ITEM "%s" DISPLAYNAME "Application number %d"' % (name, i)
    if i % 10 == 9:
        entry += ' DUPENAME "%s_beta"' % name
    entry += ('\n#DATE 12.01.2024\n#APPTYPE TOOL\n#ARCHIVESIZE 123456\n#STOVANAUTHOR "Bench"\n'
              '#URLARCHIVE "http://example.org/files/%s.lha"\n'
              '#INSTALLCHECK "{INSTALLDIR}{NAME}/%s"\n' % (name, name))
    if i % 7 == 6:
        entry += '#INSTALLDIR DEPENDENCY "Application%d"\n' % (i - 1)
    entry += ('#DESCRIPTION "A generated application for the benchmark"\n'
              '#DESCRIPTION deutsch\nEine erzeugte Anwendung\n#DESCRIPTION END\n'
              '#INSTALL\n{STANDARDEXTRACT}\n{STANDARDCOPY}\n#INSTALL END\n'
              '#UNINSTALL\nDelete "{INSTALLDIR}{NAME}" ALL QUIET\n#UNINSTALL END\n'
              '#ITEM END\n\n')
    out.append(entry)
sys.stdout.write("".join(out))
EOF
  size=$(stat -c %s "$root/Work/Stovan/Database/User/Bench.db")
  for mode in "" "--json"; do
    /usr/bin/time -f "$count entries ($size bytes) list $mode: user %U s, system %S s, wall %e s, peak RSS %M KiB" \
      env STOVAN_ROOT="$root" LC_ALL=C TZ=UTC "$program" list $mode >/dev/null
  done
done
