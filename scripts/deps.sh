# Debian packages of the build, shared by play.sh and test.sh (sourced, not run).
#
#   bt_install_missing PACKAGE...   installs those not installed yet (apt-get; sudo when not root)

BT_BUILD_PACKAGES="cmake ninja-build g++ pkg-config libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev
  libsdl2-ttf-dev libimgui-dev libcurl4-openssl-dev fonts-dejavu-core nlohmann-json3-dev libcli11-dev"
BT_TEST_PACKAGES="libgtest-dev libbenchmark-dev libvorbis-dev xvfb xauth clang libclang-rt-14-dev python3
  libcpp-httplib-dev tiled gcovr dpkg-dev"
# The browser build (scripts/web.sh) and its test in headless Chromium.
BT_WEB_PACKAGES="emscripten node-acorn libstb-dev dpkg-dev chromium python3 python3-websocket"

bt_install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo="sudo"
        else
            echo "error: these packages are missing and there is no sudo to install them: ${missing[*]}" >&2
            return 1
        fi
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q &&
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# bt_build_release TARGET: configures build/ (Release, gcc) and builds one target.
bt_build_release() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ &&
        cmake --build build --target "$1" -j "$(bt_jobs)"
}

# Build jobs: one per core.
bt_jobs() {
    nproc 2>/dev/null || echo 2
}
