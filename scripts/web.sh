#!/usr/bin/env bash
# Builds biosim for the browser (WebAssembly) into build-web/.
#
#   scripts/web.sh            installs what is missing, builds SDL2 once, then biosim.js + biosim.wasm
#   scripts/web.sh --deps     only installs the packages
#
# Exit code 3: what the build needs cannot be had on this machine (its packages do not install, or
# SDL2's source package cannot be downloaded); any other failure is the build's own.
#
# Everything comes from Debian: the emscripten compiler, and SDL2 from Debian's own source package
# (emscripten's ports download their sources at build time, which this build never does). The SDL2
# build is cached in build-web/sdl2-prefix and reused as long as that folder exists. Images, text
# and sounds are decoded with the single-file decoders of libstb-dev (see platform/web/).
# Builds run niced: other work on the machine keeps its share.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh

root=$(pwd)
out=$root/build-web
prefix=$out/sdl2-prefix
export NODE_PATH=/usr/share/nodejs

bt_install_missing $BT_WEB_PACKAGES || { echo "web.sh: the browser build's packages could not be installed" >&2; exit 3; }
[ "${1:-}" = "--deps" ] && exit 0

mkdir -p "$out"

if [ ! -f "$prefix/lib/libSDL2.a" ]; then
    # SDL2's source package from the archive this machine already uses.
    if ! apt-get source --print-uris libsdl2 >/dev/null 2>&1; then
        list=/etc/apt/sources.list.d/bt-web-src.sources
        uris=$(grep -h '^URIs:' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1 | awk '{print $2}')
        suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
        sudo=""
        [ "$(id -u)" -ne 0 ] && sudo=sudo
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "${uris:-http://deb.debian.org/debian}" "$suite" | $sudo tee "$list" >/dev/null
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q || true
    fi
    rm -rf "$out/sdl2-src"
    mkdir -p "$out/sdl2-src"
    (cd "$out/sdl2-src" && apt-get source -q --download-only libsdl2) ||
        { echo "web.sh: SDL2's source package could not be downloaded" >&2; exit 3; }
    (cd "$out/sdl2-src" && dpkg-source -x ./libsdl2_*.dsc src >/dev/null)
    nice -n 19 emcmake cmake -S "$out/sdl2-src/src" -B "$out/sdl2-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DSDL_STATIC=ON -DSDL_SHARED=OFF -DSDL_TEST=OFF -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
    nice -n 19 cmake --build "$out/sdl2-build" -j "$(bt_jobs)"
    cmake --install "$out/sdl2-build" >/dev/null
fi

nice -n 19 emcmake cmake -S platform/web -B "$out/biosim" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DBT_SDL2_PREFIX="$prefix" >/dev/null
nice -n 19 cmake --build "$out/biosim" -j "$(bt_jobs)"
echo "web build: $out/biosim/biosim.js $out/biosim/biosim.wasm"
