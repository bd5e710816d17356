#!/usr/bin/env bash
# Runs every test: installs what is missing, builds a normal gcc build in build/ and an
# AddressSanitizer + UndefinedBehaviorSanitizer build with clang in build-asan/ (which also builds
# the fuzz targets), and runs CTest on both; the browser build (build-web/) and its tests in headless
# Chromium run too, where the machine can have what they need. Exit code non-zero when anything
# failed.
#
#   BT_WEB=0 scripts/test.sh   leaves the browser out
#   BT_WEB=1 scripts/test.sh   fails when the browser build cannot be made here
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
. scripts/deps.sh

bt_install_missing $BT_BUILD_PACKAGES $BT_TEST_PACKAGES || exit 1
JOBS="$(bt_jobs)"
status=0

step() { echo; echo "=== $* ($(date -u +%H:%M:%S))"; }

# The browser build and its tests in headless Chromium. Without BT_WEB they are skipped, with a
# note, when the machine cannot have what they need (scripts/web.sh exit code 3); a failing build
# fails the run.
web=(-DBT_WEB=OFF)
if [ "${BT_WEB:-}" != 0 ]; then
    step "browser build (emscripten) in build-web/"
    scripts/web.sh
    code=$?
    if [ "$code" = 0 ]; then
        web=(-DBT_WEB=ON)
    elif [ "$code" = 3 ] && [ "${BT_WEB:-}" != 1 ]; then
        echo "NOTE: the browser tests are skipped: this machine cannot have what the browser build needs"
    else
        echo "browser build failed"
        status=1
    fi
fi

step "normal build (gcc, Release) in build/"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ "${web[@]}" &&
    cmake --build build -j "$JOBS" || { echo "normal build failed"; status=1; }

step "sanitizer build (clang, AddressSanitizer + UndefinedBehaviorSanitizer) in build-asan/"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DBT_SANITIZE=ON &&
    cmake --build build-asan -j "$JOBS" || { echo "sanitizer build failed"; status=1; }

step "tests of the normal build"
ctest --test-dir build --output-on-failure --timeout 300 -j "$JOBS" || status=1

step "tests of the sanitizer build"
ctest --test-dir build-asan --output-on-failure --timeout 600 -j "$JOBS" || status=1

exit "$status"
