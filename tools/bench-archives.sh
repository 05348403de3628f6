#!/usr/bin/env bash
# Archive benchmarks against the Linux tools on the same data and machine,
# printed as ratios (ours / theirs; below 1 means ours is faster or smaller).
# Usage: tools/bench-archives.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
cmake --build "$build_dir" -j2 --target bench_archive >/dev/null
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build_dir/bench_archive" --benchmark_min_time=1 --benchmark_format=json >"$json" 2>/dev/null
python3 - "$json" <<'PY'
import json, sys
data = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def ms(name): return data[name]["real_time"]
print("%-28s %10s" % ("benchmark", "ms"))
for name, b in data.items():
    extra = ""
    if "ratio_percent" in b:
        extra = "  archive %.1f%% of the input" % b["ratio_percent"]
    print("%-28s %10.1f%s" % (name, b["real_time"], extra))
print()
def ratio(label, ours, theirs):
    print("%-52s %.2f" % (label, ms(ours) / ms(theirs)))
ratio("LhA extract (our archive), ours / lhasa x", "BM_ExtractOurLha_Ours", "BM_ExtractOurLha_Lhasa")
ratio("LhA extract (jlha archive), ours / lhasa x", "BM_ExtractJlhaLha_Ours", "BM_ExtractJlhaLha_Lhasa")
ratio("LhA extract (jlha archive), ours / bsdtar -xf", "BM_ExtractJlhaLha_Ours", "BM_ExtractJlhaLha_Bsdtar")
ratio("LhA decoding alone (in memory), ours / liblhasa", "BM_DecodeLh5_Ours", "BM_DecodeLh5_Liblhasa")
ratio("ZIP extract, ours / unzip", "BM_ExtractZip_Ours", "BM_ExtractZip_Unzip")
ratio("LhA create time, ours / jlha a", "BM_CreateLha_Ours", "BM_CreateLha_Jlha")
print("%-52s %.3f" % ("LhA archive size, ours / jlha a",
      data["BM_CreateLha_Ours"]["archive_bytes"] / data["BM_CreateLha_Jlha"]["archive_bytes"]))
PY
