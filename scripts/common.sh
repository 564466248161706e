# shellcheck shell=bash
# Shared by scripts/test.sh and scripts/main-job.sh: installs what a fresh Debian machine
# lacks and configures and builds the two trees.
#
#   build/windows  Tolvane-Q.dll and the wine test hosts, cross-built with mingw-w64
#   build/native   Tolvane-Q.so, the command-line host, unit/thread tests, benchmarks;
#                  it knows build/windows, so its ctest also runs the Windows-side checks

TOLVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# TOLVANE_BUILD_ROOT moves both trees elsewhere (default: build/ in the checkout).
TOLVANE_BUILD_ROOT="${TOLVANE_BUILD_ROOT:-$TOLVANE_ROOT/build}"
TOLVANE_WINDOWS_DIR="$TOLVANE_BUILD_ROOT/windows"
TOLVANE_NATIVE_DIR="$TOLVANE_BUILD_ROOT/native"
TOLVANE_JOBS="${TOLVANE_JOBS:-2}"

# Debian package per command (or file) it provides.
tolvane_missing_packages() {
    local -a wanted=(
        "cmake:cmake" "ninja:ninja-build" "g++:g++"
        "x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64-posix"
        "x86_64-w64-mingw32-objdump:binutils-mingw-w64-x86-64"
        "wine:wine" "/usr/lib/wine/wine64:wine64" "Xvfb:xvfb" "xauth:xauth" "convert:imagemagick"
        "identify:imagemagick" "flock:util-linux" "pkg-config:pkg-config"
        # Ardour 7, driven headless as a real host by tests/ardour (its Lua session and
        # its plug-in scanners come in the one package).
        "ardour7-lua:ardour"
    )
    local -a files=(
        "/usr/include/gtest/gtest.h:libgtest-dev"
        "/usr/include/benchmark/benchmark.h:libbenchmark-dev"
        "/usr/include/sndfile.h:libsndfile1-dev"
        "/usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf:fonts-open-sans"
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf:fonts-dejavu-core"
        # The Linux editor (X11 + Cairo) and its test host under Xvfb (XTest, XRes).
        "/usr/include/X11/Xlib.h:libx11-dev"
        "/usr/include/cairo/cairo.h:libcairo2-dev"
        "/usr/include/fontconfig/fontconfig.h:libfontconfig-dev"
        "/usr/include/freetype2/ft2build.h:libfreetype-dev"
        "/usr/include/X11/extensions/XTest.h:libxtst-dev"
        "/usr/include/X11/extensions/XRes.h:libxres-dev"
        "/usr/include/X11/extensions/Xdamage.h:libxdamage-dev"
    )
    local entry
    for entry in "${wanted[@]}"; do
        local what="${entry%%:*}"
        if [[ "$what" == /* ]]; then
            [ -e "$what" ] || echo "${entry##*:}"
        else
            command -v "$what" >/dev/null 2>&1 || echo "${entry##*:}"
        fi
    done
    for entry in "${files[@]}"; do
        [ -e "${entry%%:*}" ] || echo "${entry##*:}"
    done
}

tolvane_install_missing() {
    local -a missing
    mapfile -t missing < <(tolvane_missing_packages | sort -u)
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # With recommends: wine loads freetype, fontconfig and the X libraries it recommends at
    # run time, and draws no text without them.
    apt-get install -y -q "${missing[@]}"
}

tolvane_build() {
    echo "== building build/windows (mingw-w64)"
    cmake -G Ninja -S "$TOLVANE_ROOT" -B "$TOLVANE_WINDOWS_DIR" \
        -DCMAKE_TOOLCHAIN_FILE="$TOLVANE_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DTOLVANE_WERROR=ON &&
        cmake --build "$TOLVANE_WINDOWS_DIR" -j "$TOLVANE_JOBS" || return 1
    echo "== building build/native"
    cmake -G Ninja -S "$TOLVANE_ROOT" -B "$TOLVANE_NATIVE_DIR" \
        -DTOLVANE_WINDOWS_BUILD_DIR="$TOLVANE_WINDOWS_DIR" -DTOLVANE_WERROR=ON &&
        cmake --build "$TOLVANE_NATIVE_DIR" -j "$TOLVANE_JOBS" || return 1
}
