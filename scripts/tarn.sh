#!/usr/bin/env bash
# Starts tarn, the map builder, on the demo world: installs what is missing, builds build/
# (Release) and runs build/apps/tarn in demo/. Extra arguments go to tarn (e.g. --windowed).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
. scripts/deps.sh

bt_install_missing $BT_BUILD_PACKAGES

bt_build_release tarn

cd "$ROOT/demo"
exec "$ROOT/build/apps/tarn" "$@"
