#!/usr/bin/env python3
"""Which test reaches what: one coverage profile per test case, then the cases
that reach nothing the rest of the suite does not reach too.

Pruning a suite by reading it drops rows that turn out to be the only ones
reaching a branch; this answers the question per case instead. Each case of
every test_<suite> program runs alone with clang's source-based coverage (the
programs it starts, stovan, stovan-shell and the companion commands, write
their own profiles, which count for the case), and llvm-cov tells which lines
and branch directions of the program's own code (not tests/, bench/, fuzz/)
it reached.

Build first (clang, instrumented, unoptimised):
  CC=clang CXX=clang++ bash tools/setup.sh build-pcov -DCMAKE_BUILD_TYPE=Debug \\
    -DSTOVAN_BENCH=OFF -DSTOVAN_WERROR=OFF \\
    -DCMAKE_C_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \\
    -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \\
    -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate
Then:
  tools/coverage-map.py build-pcov [SUITE ...]      # runs, writes build-pcov/coverage-map.json
  tools/coverage-map.py build-pcov --report         # reads it again
  tools/coverage-map.py build-pcov --compare OLD.json [--since COMMIT] [--at COMMIT]
                                    # what OLD reached and this does not

The report lists, per case, how many non-blank lines its TEST block has, how
many lines/branches only it reaches, and a greedy choice of cases whose removal
(largest first) loses nothing the remaining cases reach, where a line of
layer X stays only with a case of tests/X still reaching it. A case reaching
nothing of its own may still check a result the others do not: the list is
where to look, not what to delete.

A map records the commit it was made at. --compare follows every line of
the program's code that moved between the two commits (--since and --at name
them for maps that do not record them); a line that changed itself is
counted apart, as neither lost nor kept.
"""

import difflib
import json
import os
import re
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
OWN_CODE_EXCLUDED = r"(^|/)(tests|bench|fuzz|generated)/|^/usr/"


def list_cases(program):
    out = subprocess.run([program, "--gtest_list_tests"], capture_output=True, text=True,
                         env=test_environment(), check=True).stdout
    cases, suite = [], ""
    for line in out.splitlines():
        if not line.strip():
            continue
        name = line.split("#")[0].strip()
        if not line.startswith(" "):
            # Suites end with a dot; gtest_main's greeting does not.
            suite = name if name.endswith(".") else ""
        elif suite:
            cases.append(suite + name)
    return cases


def test_environment():
    env = dict(os.environ)
    env.update({"LC_ALL": "C", "LANG": "C", "TZ": "UTC", "DISPLAY": "", "WAYLAND_DISPLAY": "",
                "QT_QPA_PLATFORM": "offscreen"})
    return env


def instrumented(path):
    try:
        with open(path, "rb") as f:
            return b"__llvm_covmap" in f.read()
    except OSError:
        return False


def run_case(program, case, objects, scratch):
    folder = Path(tempfile.mkdtemp(dir=scratch))
    env = test_environment()
    env["LLVM_PROFILE_FILE"] = str(folder / "%p-%m.profraw")
    result = subprocess.run([str(program), "--gtest_filter=" + case, "--gtest_brief=1"],
                            capture_output=True, env=env, timeout=600)
    profiles = sorted(str(p) for p in folder.glob("*.profraw"))
    keys = set()
    if profiles:
        merged = folder / "merged.profdata"
        # A program killed on purpose leaves a cut profile: the others count.
        subprocess.run(["llvm-profdata", "merge", "-sparse", "-failure-mode=all",
                        "-o", str(merged)] + profiles, check=True, capture_output=True)
        command = ["llvm-cov", "export", "-format=lcov", "-skip-functions",
                   "-instr-profile=" + str(merged), "-ignore-filename-regex=" + OWN_CODE_EXCLUDED,
                   str(program)]
        for other in objects:
            command += ["-object", str(other)]
        lcov = subprocess.run(command, capture_output=True, text=True).stdout
        source = ""
        for line in lcov.splitlines():
            if line.startswith("SF:"):
                source = os.path.relpath(os.path.normpath(line[3:]), ROOT)
            elif line.startswith("DA:"):
                number, count = line[3:].split(",")[:2]
                if count != "0":
                    keys.add(f"{source}:{number}")
            elif line.startswith("BRDA:"):
                number, block, branch, taken = line[5:].split(",")
                if taken not in ("-", "0"):
                    keys.add(f"{source}:{number}:{block}:{branch}")
    for p in folder.iterdir():
        p.unlink()
    folder.rmdir()
    return case, result.returncode, keys


def collect(build, suites):
    objects = [p for p in sorted(build.iterdir())
               if p.is_file() and os.access(p, os.X_OK) and not p.name.startswith("test_")
               and instrumented(p)]
    programs = [build / f"test_{s}" for s in suites] if suites else \
        sorted(p for p in build.glob("test_*") if p.is_file() and os.access(p, os.X_OK)
               and not p.suffix)
    keys_index, cases_out = {}, {}
    scratch = tempfile.mkdtemp(prefix="coverage-map-")
    jobs = []
    for program in programs:
        for case in list_cases(program):
            jobs.append((program, case))
    print(f"coverage-map: {len(jobs)} cases", file=sys.stderr)
    done = 0
    with ThreadPoolExecutor(max_workers=int(os.environ.get("JOBS", "2"))) as pool:
        futures = [pool.submit(run_case, program, case, objects, scratch)
                   for program, case in jobs]
        for (program, _), future in zip(jobs, futures):
            case, code, keys = future.result()
            ids = sorted(keys_index.setdefault(k, len(keys_index)) for k in keys)
            cases_out[f"{program.name}:{case}"] = {"exit": code, "keys": ids}
            done += 1
            if done % 25 == 0:
                print(f"coverage-map: {done}/{len(jobs)}", file=sys.stderr)
    os.rmdir(scratch)
    keys = [None] * len(keys_index)
    for k, i in keys_index.items():
        keys[i] = k
    return {"keys": keys, "cases": cases_out, "commit": head_commit()}


def head_commit():
    """The commit the map is made at, "+" added when the tree differs from it."""
    def git(*words):
        return subprocess.run(["git", "-C", str(ROOT)] + list(words), capture_output=True,
                              text=True).stdout.strip()
    commit = git("rev-parse", "HEAD")
    return commit + ("+" if commit and git("status", "--porcelain", "--untracked-files=no")
                     else "")


def source_at(commit, file):
    result = subprocess.run(["git", "-C", str(ROOT), "show", f"{commit}:{file}"],
                            capture_output=True, text=True)
    return result.stdout.splitlines() if result.returncode == 0 else None


def line_map(old_commit, new_commit, file):
    """Old line number -> new one for the lines of file that stayed as they
    were; None when the file is the same at both commits."""
    before, after = source_at(old_commit, file), source_at(new_commit, file)
    if before == after:
        return None
    moved = {}
    if before is not None and after is not None:
        matcher = difflib.SequenceMatcher(None, before, after, autojunk=False)
        for tag, i1, i2, j1, _ in matcher.get_opcodes():
            if tag == "equal":
                for k in range(i2 - i1):
                    moved[i1 + k + 1] = j1 + k + 1
    return moved


TEST_START = re.compile(r"^(TEST|TEST_F|TEST_P|TYPED_TEST)\(\s*(\w+)\s*,\s*(\w+)\s*\)")


def test_blocks():
    """(suite, name) -> (file, non-blank lines of its block)."""
    blocks = {}
    for source in sorted((ROOT / "tests").rglob("*.cpp")):
        lines = source.read_text(errors="replace").splitlines()
        starts = [(i, TEST_START.match(l)) for i, l in enumerate(lines) if TEST_START.match(l)]
        for n, (i, match) in enumerate(starts):
            end = starts[n + 1][0] if n + 1 < len(starts) else len(lines)
            size = sum(1 for l in lines[i:end] if l.strip())
            blocks[(match.group(2), match.group(3))] = (str(source.relative_to(ROOT)), size)
    return blocks


def block_of(case_name):
    # "test_x:Prefix/Suite.Name/3" -> ("Suite", "Name")
    case = case_name.split(":", 1)[1]
    suite, name = case.split(".", 1)
    return suite.split("/")[-1], name.split("/")[0]


def report(data):
    blocks = test_blocks()
    # One TEST block may run as several cases (parameters): they count together.
    grouped = {}
    for name, case in data["cases"].items():
        grouped.setdefault(block_of(name), set()).update(case["keys"])
        if case["exit"] != 0:
            print(f"failed: {name}")
    # A line of layer X counts as kept only while a suite of tests/X still
    # reaches it: those are the tests that check its results, where others
    # merely pass through it.
    def layer_of_key(key):
        return data["keys"][key].split("/")[0]

    def layer_of_block(block):
        parts = blocks.get(block, ("?", 0))[0].split("/")
        return parts[1] if len(parts) > 2 else "?"

    counts, own_counts = {}, {}
    for block, keys in grouped.items():
        layer = layer_of_block(block)
        for k in keys:
            counts[k] = counts.get(k, 0) + 1
            if layer_of_key(k) == layer:
                own_counts[k] = own_counts.get(k, 0) + 1
    rows = []
    for block, keys in grouped.items():
        file, size = blocks.get(block, ("?", 0))
        rows.append((block, file, size))
    # Greedy: the largest blocks go first when all they reach stays reached.
    removable, lines = [], 0
    for block, file, size in sorted(rows, key=lambda r: -r[2]):
        keys = grouped[block]
        layer = layer_of_block(block)
        if all(counts[k] > 1 and (layer_of_key(k) != layer or own_counts[k] > 1) for k in keys):
            for k in keys:
                counts[k] -= 1
                if layer_of_key(k) == layer:
                    own_counts[k] -= 1
            removable.append((block, file, size))
            lines += size
    total = len({k for keys in grouped.values() for k in keys})
    print(f"{len(grouped)} test blocks reach {total} lines and branch directions")
    print(f"removable without losing any: {len(removable)} blocks, {lines} lines")
    by_file = {}
    for block, file, size in removable:
        by_file.setdefault(file, []).append((block[0] + "." + block[1], size))
    for file in sorted(by_file, key=lambda f: -sum(s for _, s in by_file[f])):
        print(f"{sum(s for _, s in by_file[file]):5d} {file}")
        for name, size in sorted(by_file[file], key=lambda r: -r[1]):
            print(f"        {size:4d} {name}")


def reached(data):
    return {data["keys"][k] for case in data["cases"].values() for k in case["keys"]}


def compare(old, new, since=None, at=None):
    """Totals of both runs, then every line or branch direction the old run
    reached and the new one does not, by file, following the lines that
    moved between the two maps' commits."""
    before, after = reached(old), reached(new)
    for name, keys in (("before", before), ("after", after)):
        lines = sum(1 for k in keys if k.count(":") == 1)
        print(f"{name}: {len(old['cases'] if name == 'before' else new['cases'])} cases, "
              f"{lines} lines, {len(keys) - lines} branch directions reached")
    old_commit = (since or old.get("commit", "")).rstrip("+")
    new_commit = (at or new.get("commit", "")).rstrip("+")
    if not old_commit or not new_commit:
        print("a map records no commit (give --since/--at): lines that moved count as lost")
    maps = {}
    lost, changed, followed = [], [], set()
    for key in sorted(before):
        file, line, *rest = key.split(":")
        if old_commit and new_commit and file not in maps:
            maps[file] = line_map(old_commit, new_commit, file)
        moved = maps.get(file)
        if moved is not None:
            if int(line) not in moved:
                changed.append(key)
                continue
            key = ":".join([file, str(moved[int(line)])] + rest)
        followed.add(key)
        if key not in after:
            lost.append(key)
    print(f"lost: {len(lost)}; newly reached: {len(after - followed)}; "
          f"on lines changed since: {len(changed)}")
    for key in lost:
        print(f"  {key}")
    return 1 if lost else 0


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    build = Path(args[0]).resolve()
    out = build / "coverage-map.json"
    if "--compare" in args:
        old = json.loads(Path(args[args.index("--compare") + 1]).read_text())
        def option(name):
            return args[args.index(name) + 1] if name in args else None
        return compare(old, json.loads(out.read_text()), option("--since"), option("--at"))
    if "--report" not in args:
        data = collect(build, [a for a in args[1:]])
        out.write_text(json.dumps(data))
    report(json.loads(out.read_text()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
