#!/usr/bin/env bash
# Makes the README's pictures into docs/images/ from scripted runs of the programs on a copy of the
# demo world: biosim's title screen and its level with the debug overlay (headless), the first map
# of docs/tarn.md in tarn and in biosim, and tarn with the Tiles palette, a map and the DNA window
# (under Xvfb, since the tool windows need a real X server; xwd takes the picture). Run it again
# whenever the look of either program changes.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
. scripts/deps.sh

bt_install_missing $BT_BUILD_PACKAGES xvfb xauth x11-apps python3
bt_build_release biosim
bt_build_release tarn

OUT="$ROOT/docs/images"
BIN="$ROOT/build/apps"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"
cp -r "$ROOT/demo" "$WORK/world"
cd "$WORK/world"
export SDL_AUDIODRIVER=dummy

# The title screen: the intro switches to it by itself; Space (pass 300 of the demo input) leaves it.
"$BIN/biosim" --headless --seed 1 --frames 280 --screenshot "$OUT/biosim-title.png"

# The level, walked into by the demo input, with the debug overlay (left Alt + left Ctrl + D).
{
    cat "$ROOT/tools/demo-input.txt"
    printf '%s\n' "440 56 down" "440 29 down" "441 32 down" "442 32 up" "443 29 up" "443 56 up"
} >"$WORK/level.txt"
"$BIN/biosim" --headless --seed 1 --frames 470 --input "$WORK/level.txt" \
    --screenshot "$OUT/biosim-level-debug.png"

# The walk-through of docs/tarn.md, headless: the editor screen after the first map is made.
rm -rf "$WORK/headless" && cp -r "$ROOT/demo" "$WORK/headless"
(cd "$WORK/headless" && "$BIN/tarn" --headless --input "$ROOT/docs/first-map.txt" --passes 60 \
    --screenshot "$OUT/tarn-first-map.png")

# tarn: the first map of docs/tarn.md made and saved, then the chaser picked so the DNA window shows
# its DNA; the whole X screen is taken while tarn runs.
{
    cat "$ROOT/docs/first-map.txt"
    printf '%s\n' "50 move 124 100" "51 wheel 3" "53 move 74 62" "54 press left" "55 release left" \
        "57 move 460 420"
} >"$WORK/tarn.txt"
cat >"$WORK/take.sh" <<'TAKE'
#!/usr/bin/env bash
"$1" --input "$2" >"$3/tarn.log" 2>&1 &
pid=$!
sleep 8
xwd -root -silent >"$3/tarn.xwd"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
TAKE
chmod +x "$WORK/take.sh"
timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$WORK/take.sh" "$BIN/tarn" "$WORK/tarn.txt" "$WORK"
python3 "$ROOT/tools/xwd2png.py" "$WORK/tarn.xwd" "$OUT/tarn-editor.png"

# The map tarn saved, playing in biosim.
"$BIN/biosim" --headless --seed 1 --map 5 --frames 30 --screenshot "$OUT/biosim-first-map.png"

echo "Pictures written to $OUT:"
ls -1 "$OUT"
