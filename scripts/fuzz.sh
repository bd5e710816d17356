#!/bin/bash
# fuzz.sh MINUTES [PATTERN]: runs every libFuzzer target (or those whose name contains PATTERN) for
# MINUTES minutes each (clang, with the address and undefined-behaviour sanitizers) and keeps what
# it finds.
#
# The targets are built in build-fuzz/ (or the folder named by FUZZ_BUILD; an existing
# configuration there is kept). Each target's corpus is kept in build-fuzz/kept-corpus/NAME
# (started from the seeds in fuzz/<area>/corpus/NAME and grown run after run); a crash leaves its
# input as build-fuzz/findings/NAME/crash-* and makes the script end with exit code 1. At the end
# one line per target gives its runs, executions per second and corpus size.
#
# FUZZ_JOBS=N runs N targets at a time (default 1); each target still gets MINUTES of its own.
set -eu
cd "$(dirname "$0")/.."
minutes=${1:?usage: scripts/fuzz.sh MINUTES [PATTERN]}
pattern=${2:-}
case "$minutes" in '' | 0 | *[!0-9]*) echo "fuzz.sh: MINUTES is a whole number above 0" >&2; exit 2 ;; esac
jobs=${FUZZ_JOBS:-1}
case "$jobs" in '' | 0 | *[!0-9]*) echo "fuzz.sh: FUZZ_JOBS is a whole number above 0" >&2; exit 2 ;; esac
build=${FUZZ_BUILD:-build-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DBT_SANITIZE=ON -DBT_BENCH=OFF >/dev/null
fi
mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\([a-z_]*_fuzz\): .*/\1/p' |
    grep -F -- "$pattern" | sort)
[ ${#targets[@]} -gt 0 ] || { echo "fuzz.sh: no fuzz targets (clang missing?)" >&2; exit 1; }
cmake --build "$build" --target "${targets[@]}" >/dev/null

# Runs one target; its exit status says whether it found a fault.
fuzz_one() {
    local t=$1 exe kept findings seeds log
    # Absolute paths: the fuzzer runs in its findings folder, where it leaves crash inputs.
    exe=$(readlink -f "$(find "$build/fuzz" -type f -name "$t" -perm -u+x | head -n 1)")
    kept=$(readlink -f "$build")/kept-corpus/$t
    findings=$(readlink -f "$build")/findings/$t
    mkdir -p "$kept" "$findings"
    seeds=$(find "$PWD/fuzz" -type d -path "*/corpus/$t" | head -n 1)
    log="$findings.log"
    echo "fuzz.sh: $t for $minutes minute(s)"
    if ! (cd "$findings" && "$exe" -max_total_time=$((minutes * 60)) -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 "$kept" ${seeds:+"$seeds"}) >"$log" 2>&1; then
        echo "fuzz.sh: $t FOUND A FAULT: see $log and $findings" >&2
        return 1
    fi
}

status=0
running=0
for t in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
    fuzz_one "$t" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done

for t in "${targets[@]}"; do
    log=$(readlink -f "$build")/findings/$t.log
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    files=$(find "$(readlink -f "$build")/kept-corpus/$t" -type f | wc -l)
    printf '%-28s %12s runs %8s exec/s %6s corpus files\n' "$t" "${runs:-?}" "${speed:-?}" "$files"
done
exit "$status"
