#!/usr/bin/env bash
# Plays the demo world with biosim: installs what is missing, builds build/ (Release) and runs
# build/apps/biosim in demo/. Without a display (no DISPLAY or WAYLAND_DISPLAY) it plays a scripted
# run headless instead (the intro, the title, Space, then a walk through the level) and writes a PNG
# screenshot of the level. Extra arguments go to biosim.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
. scripts/deps.sh

bt_install_missing $BT_BUILD_PACKAGES

bt_build_release biosim

cd "$ROOT/demo"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$ROOT/build/apps/biosim" "$@"
fi

SHOT="$ROOT/build/biosim-demo.png"
rm -f "$SHOT"
echo "No display: running biosim headless for 480 frames with the scripted input tools/demo-input.txt."
rc=0
"$ROOT/build/apps/biosim" --headless --frames 480 --seed 1 --input "$ROOT/tools/demo-input.txt" \
    --screenshot "$SHOT" "$@" || rc=$?
if [ -f "$SHOT" ]; then
    echo "Screenshot of the last frame: $SHOT"
else
    echo "biosim wrote no screenshot (exit code $rc)." >&2
    [ "$rc" -ne 0 ] || rc=1
fi
exit "$rc"
