#!/bin/bash
# soak.sh [BIOSIM_FRAMES] [TARN_PASSES]: long runs of both programs with their resident memory
# sampled, to show that memory stays flat once warmed up.
#
#   biosim: the demo world headless for BIOSIM_FRAMES frames (default 100000)
#   tarn:   the demo world headless for TARN_PASSES passes (default 20000) of scripted editing
#           whose edits cancel out: tiles placed, undone, redone and deleted all over the map,
#           layers changed, the tile kind resized
#
# Each program runs on its own copy of the demo. RSS is read from /proc every second; the report
# gives the first sample after warm-up (10% of the samples), the last and the peak, and the growth
# from warm-up to the end. Uses the Release build in build/ (made when missing, as play.sh does) or
# the programs named by BIOSIM and TARN.
set -eu
cd "$(dirname "$0")/.."
frames=${1:-100000}
passes=${2:-20000}
# shellcheck source=deps.sh
. scripts/deps.sh
if [ -z "${BIOSIM:-}" ] || [ -z "${TARN:-}" ]; then
    bt_build_release biosim >/dev/null && bt_build_release tarn >/dev/null
fi
biosim=$(readlink -f "${BIOSIM:-build/apps/biosim}")
tarn=$(readlink -f "${TARN:-build/apps/tarn}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R demo "$work/biosim-world"
cp -R demo "$work/tarn-world"
export SDL_AUDIODRIVER=dummy

# The editing script: cycles of 12 passes whose edits cancel out, so the map ends as it began and
# any growth is the program's own. Each cycle places a tile, undoes and redoes that, deletes the
# tile at the same spot, turns the wheel (one notch, the other way next cycle) and changes the layer
# (up twice, then down twice); positions sweep the main window from cycle to cycle.
awk -v n="$passes" 'BEGIN {
    for (p = 1; p <= n; p++) {
        c = int((p - 1) / 12); s = (p - 1) % 12;
        x = 40 + (c * 37) % 900; y = 40 + (c * 53) % 600;
        if (s == 0) print p, "move", x, y;
        else if (s == 1) print p, "press left";
        else if (s == 2) print p, "release left";
        else if (s == 3) print p, "key 22";
        else if (s == 4) print p, "key 19";
        else if (s == 5) print p, "press right";
        else if (s == 6) print p, "release right";
        else if (s == 7) print p, "wheel", (c % 2 == 0 ? 1 : -1);
        else if (s == 8) print p, "key", (c % 4 < 2 ? 201 : 209);
        else if (s == 9) print p, "move", y, x;
        else print p, "move", x, y;
    }
}' >"$work/tarn-input.txt"

# sample PID OUT: one RSS figure (kB) per second while the process lives.
sample() {
    while kill -0 "$1" 2>/dev/null; do
        sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$1/status" 2>/dev/null >>"$2" || true
        sleep 1
    done
}

report() { # NAME SAMPLES SECONDS
    awk -v name="$1" -v secs="$3" '{ v[NR] = $1; if ($1 > peak) peak = $1 }
    END {
        if (NR == 0) { print name ": no samples"; exit }
        w = int(NR / 10) + 1; if (w > NR) w = NR
        printf "%s: %d s, %d samples; RSS after warm-up %.1f MB, at the end %.1f MB, peak %.1f MB; growth %+.1f MB (%+.1f%%)\n",
            name, secs, NR, v[w] / 1024, v[NR] / 1024, peak / 1024, (v[NR] - v[w]) / 1024, 100 * (v[NR] - v[w]) / v[w]
    }' "$2"
}

start=$(date +%s)
(cd "$work" && exec "$biosim" --world "$work/biosim-world" --headless --frames "$frames" --seed 1 \
    >"$work/biosim.log" 2>&1) &
bpid=$!
sample "$bpid" "$work/biosim.rss" &
(cd "$work" && exec "$tarn" --world "$work/tarn-world" --headless --passes "$passes" \
    --input "$work/tarn-input.txt" >"$work/tarn.log" 2>&1) &
tpid=$!
sample "$tpid" "$work/tarn.rss" &
status=0
wait "$bpid" || status=$?
bsecs=$(($(date +%s) - start))
wait "$tpid" || status=$?
tsecs=$(($(date +%s) - start))
sleep 1
report "biosim $frames frames" "$work/biosim.rss" "$bsecs"
report "tarn $passes passes" "$work/tarn.rss" "$tsecs"
if [ "$status" -ne 0 ]; then
    echo "soak: a program ended with exit code $status" >&2
    tail -n 5 "$work/biosim.log" "$work/tarn.log" >&2
fi
exit "$status"
