#!/usr/bin/env bash
# Line and branch coverage of the production folders: a gcc --coverage build (BT_COVERAGE), the whole
# test suite, then gcovr. Prints one line per folder and writes BUILD/coverage.txt (per file) and
# BUILD/coverage.html.
#
#   scripts/coverage.sh [BUILD]     (default build-coverage; gcovr from the test packages)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
B=${1:-build-coverage}
command -v gcovr >/dev/null 2>&1 || { echo "gcovr is missing (apt-get install gcovr)" >&2; exit 1; }
cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBT_COVERAGE=ON -DBT_BENCH=OFF -DBT_FUZZ=OFF >/dev/null
cmake --build "$B" -j "$(bt_jobs)"
find "$B" -name '*.gcda' -delete
(cd "$B" && ctest -j "$(bt_jobs)" --timeout 600 --output-on-failure >ctest.log 2>&1) ||
    echo "warning: some tests failed (see $B/ctest.log); the figures cover the run as it went" >&2
FILTER='(platform|world|engine|sim|builder|apps)/'
gcovr -r . --object-directory "$B" --filter "$FILTER" --exclude-throw-branches --exclude-unreachable-branches \
    --json-summary "$B/coverage.json" --txt "$B/coverage.txt" --html-details "$B/coverage.html" >/dev/null
python3 - "$B/coverage.json" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
rows = {}
for f in data["files"]:
    parts = f["filename"].split("/")
    folder = "/".join(parts[:2]) if parts[0] == "platform" and len(parts) > 2 else parts[0]
    r = rows.setdefault(folder, [0, 0, 0, 0])
    r[0] += f["line_covered"]; r[1] += f["line_total"]
    r[2] += f["branch_covered"]; r[3] += f["branch_total"]
def pct(a, b):
    return f"{100.0 * a / b:5.1f} %" if b else "    -  "
print(f"{'folder':<14} {'lines':>22} {'branches':>22}")
tot = [0, 0, 0, 0]
for k in sorted(rows):
    r = rows[k]
    tot = [t + v for t, v in zip(tot, r)]
    print(f"{k:<14} {pct(r[0], r[1])} {r[0]:6d}/{r[1]:<6d} {pct(r[2], r[3])} {r[2]:6d}/{r[3]:<6d}")
print(f"{'all':<14} {pct(tot[0], tot[1])} {tot[0]:6d}/{tot[1]:<6d} {pct(tot[2], tot[3])} {tot[2]:6d}/{tot[3]:<6d}")
PY
