#!/usr/bin/env bash
# Starts tarn, the map builder, on the demo world: installs what is missing, builds build/
# (Release) and runs build/apps/tarn in demo/. Extra arguments go to tarn (e.g. --windowed).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
. scripts/deps.sh

bt_install_missing $BT_BUILD_PACKAGES

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
cmake --build build --target tarn -j "$(bt_jobs)"

cd "$ROOT/demo"
exec "$ROOT/build/apps/tarn" "$@"
