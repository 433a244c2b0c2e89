#!/usr/bin/env bash
# Line coverage of the portable sources (src/, neither *_win32 nor *_native) by the native unit
# tests, measured with gcov: one line per file and the total. Usage: scripts/coverage.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/coverage}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=--coverage \
    -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" --target unit_tests -j2 >/dev/null
find "$build" -name '*.gcda' -delete
"$build/unit_tests" >/dev/null
python3 - "$build" "$PWD" <<'PY'
import gzip, json, os, re, subprocess, sys
build, root = sys.argv[1], sys.argv[2]
lines = {}  # source -> {line: hit}
for folder, _, files in os.walk(os.path.join(build, "CMakeFiles", "heliotab_core.dir")):
    for name in files:
        if not name.endswith(".gcda"):
            continue
        out = subprocess.run(["gcov", "--stdout", "--json-format", name], cwd=folder,
                             capture_output=True, check=True).stdout
        for doc in out.decode().splitlines():
            for f in json.loads(doc)["files"]:
                path = os.path.relpath(os.path.join(folder, f["file"]) if not os.path.isabs(f["file"]) else f["file"], root)
                if not path.startswith("src/") or re.search(r"_(win32|native)\.(cpp|h)$", path):
                    continue
                seen = lines.setdefault(path, {})
                for l in f["lines"]:
                    seen[l["line_number"]] = seen.get(l["line_number"], False) or l["count"] > 0
total = hit = 0
for path in sorted(lines):
    n, h = len(lines[path]), sum(lines[path].values())
    total, hit = total + n, hit + h
    print("%6.1f%%  %4d/%-4d %s" % (100.0 * h / max(n, 1), h, n, path))
print("lines %d/%d = %.1f%%" % (hit, total, 100.0 * hit / max(total, 1)))
PY
