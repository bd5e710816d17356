#!/bin/sh
# check_package.sh BUILD_DIR: builds the Debian package from a configured and built tree, checks
# its control data and contents, lets apt resolve its dependencies against this system (a
# simulated `apt-get install ./file.deb`), installs it with dpkg into a scratch root, and runs the
# installed programs headless on the user's copy of the demo world that biosim-world makes.
#
# With BT_SYSTEM_INSTALL=1, as root, on a system where the package is not installed yet (a fresh CI
# machine), it is also installed for real with `apt-get install ./file.deb`, run
# from /usr/bin, and purged again.
set -eu
build=$(readlink -f "${1:?usage: check_package.sh BUILD_DIR}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "check_package: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    fail "cpack failed"
}
deb=$(ls "$work"/out/biosim-tarn_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no .deb was made"

info=$(dpkg-deb --info "$deb")
echo "$info" | grep -q '^ Package: biosim-tarn$' || fail "package name"
depends=$(echo "$info" | sed -n 's/^ Depends: //p')
for need in libsdl2-2.0-0 libsdl2-image-2.0-0 libsdl2-mixer-2.0-0 libsdl2-ttf-2.0-0 libcurl4 libc6 \
    libstdc++6 fonts-dejavu-core; do
    echo "$depends" | grep -q "$need" || fail "Depends lacks $need: $depends"
done

dpkg-deb --contents "$deb" | awk '{print $6}' >"$work/contents"
for f in ./usr/bin/biosim ./usr/bin/tarn ./usr/bin/biosim-world ./usr/share/biosim-tarn/demo/CORE/ini.crc \
    ./usr/share/biosim-tarn/demo/_DATA/ini.txt ./usr/share/applications/biosim.desktop \
    ./usr/share/applications/tarn.desktop ./usr/share/icons/hicolor/scalable/apps/biosim.svg \
    ./usr/share/icons/hicolor/scalable/apps/tarn.svg ./usr/share/doc/biosim-tarn/README.md; do
    grep -qx "$f" "$work/contents" || fail "the package lacks $f"
done
if grep -q -e '\.log$' -e '/USER/' "$work/contents"; then fail "the package holds logs of local runs"; fi

# apt resolves the dependencies against what this system has installed or can install.
if command -v apt-get >/dev/null 2>&1; then
    apt-get install --simulate --no-download "$deb" >"$work/apt.log" 2>&1 || {
        cat "$work/apt.log" >&2
        fail "apt-get cannot install the package on this system"
    }
    grep -q '^Inst biosim-tarn ' "$work/apt.log" || fail "apt-get would not install the package: $(cat "$work/apt.log")"
fi

# A scratch root with an empty dpkg database: dependencies are the host's, so they are not checked.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
: >"$root/var/lib/dpkg/available"
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >"$work/dpkg.log" 2>&1 || {
    cat "$work/dpkg.log" >&2
    fail "dpkg -i failed"
}
dpkg --root="$root" -s biosim-tarn | grep -q '^Status: install ok installed$' || fail "not installed"
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$root/usr/share/applications/biosim.desktop" "$root/usr/share/applications/tarn.desktop"
fi

# The installed programs on the user's copy of the installed demo world.
export HOME="$work/home" XDG_DATA_HOME="$work/home/data" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME"
cd "$work"
"$root/usr/bin/biosim-world" biosim --headless --frames 120 --dump "$work/dump.json" >"$work/biosim.log" 2>&1 ||
    fail "biosim from the package failed: $(cat "$work/biosim.log")"
[ -f "$XDG_DATA_HOME/biosim-tarn/demo/CORE/ini.crc" ] || fail "biosim-world made no copy of the demo"
grep -q '"objectCount"' "$work/dump.json" || fail "biosim wrote no dump"
"$root/usr/bin/biosim-world" tarn --headless --passes 10 --screenshot "$work/tarn.png" >"$work/tarn.log" 2>&1 ||
    fail "tarn from the package failed: $(cat "$work/tarn.log")"
[ -s "$work/tarn.png" ] || fail "tarn drew nothing"

if [ "${BT_SYSTEM_INSTALL:-0}" = 1 ] && [ "$(id -u)" = 0 ] && ! dpkg -s biosim-tarn >/dev/null 2>&1 &&
    [ ! -e /usr/bin/biosim ]; then
    trap 'apt-get purge -y biosim-tarn >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
    # apt reads the file as its own unprivileged user.
    chmod a+rx "$work" "$work/out" && chmod a+r "$deb"
    apt-get -o DPkg::Lock::Timeout=120 install -y "$deb" >"$work/apt-install.log" 2>&1 || {
        cat "$work/apt-install.log" >&2
        fail "apt-get install of the package failed"
    }
    rm -rf "$XDG_DATA_HOME"
    /usr/bin/biosim-world biosim --headless --frames 60 >"$work/biosim-system.log" 2>&1 ||
        fail "the installed biosim failed: $(cat "$work/biosim-system.log")"
    /usr/bin/biosim-world tarn --headless --passes 5 >"$work/tarn-system.log" 2>&1 ||
        fail "the installed tarn failed: $(cat "$work/tarn-system.log")"
    apt-get -o DPkg::Lock::Timeout=120 purge -y biosim-tarn >"$work/apt-purge.log" 2>&1 || fail "apt-get purge failed: $(cat "$work/apt-purge.log")"
    [ ! -e /usr/bin/biosim ] && [ ! -e /usr/share/biosim-tarn ] || fail "the purge left files behind"
    echo "check_package: apt-get installed, ran and purged the package"
fi
echo "check_package: $(basename "$deb") installs and runs; Depends: $depends"
