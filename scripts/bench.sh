#!/usr/bin/env bash
# Speed measurements, never part of the test suite: builds the native tree and runs
#   tolvane_peer_bench  Tolvane-Q.so against LSP's Parametric Equalizer x16 (lsp-plugins-vst)
#   tolvane_bench       the engine's own Google Benchmark cases
# Arguments go to tolvane_peer_bench, e.g. `bash scripts/bench.sh --rounds 31`.
# Installs what it lacks with apt-get (run as root on a fresh machine, like test.sh).
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Debian package per command or file the native build and the benchmarks need; the
# Windows tree is not built here, so no mingw or wine.
bench_missing_packages() {
    local -a wanted=("cmake:cmake" "ninja:ninja-build" "g++:g++")
    local -a files=(
        "/usr/include/gtest/gtest.h:libgtest-dev"
        "/usr/include/benchmark/benchmark.h:libbenchmark-dev"
        "/usr/include/sndfile.h:libsndfile1-dev"
    )
    local entry
    for entry in "${wanted[@]}"; do
        command -v "${entry%%:*}" >/dev/null 2>&1 || echo "${entry##*:}"
    done
    for entry in "${files[@]}"; do
        [ -e "${entry%%:*}" ] || echo "${entry##*:}"
    done
    dpkg-query -W -f='${Status}' lsp-plugins-vst 2>/dev/null | grep -q "ok installed" ||
        echo "lsp-plugins-vst"
}

bench_install_missing() {
    local -a missing
    mapfile -t missing < <(bench_missing_packages | sort -u)
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q && apt-get install -y -q "${missing[@]}"
}

# Only what the benchmarks run; an existing tree keeps its cache (and its link to the
# Windows tree, when test.sh configured it).
bench_build() {
    echo "== building $TOLVANE_NATIVE_DIR (Tolvane-Q.so and the benchmarks)"
    cmake -G Ninja -S "$TOLVANE_ROOT" -B "$TOLVANE_NATIVE_DIR" >/dev/null &&
        cmake --build "$TOLVANE_NATIVE_DIR" -j "$TOLVANE_JOBS" \
            --target TolvaneQ tolvane_peer_bench tolvane_bench
}

bench_install_missing || { echo "bench.sh: installing packages failed" >&2; exit 1; }
bench_build || { echo "bench.sh: build failed" >&2; exit 1; }

echo "== tolvane_peer_bench"
"$TOLVANE_NATIVE_DIR/tolvane_peer_bench" "$TOLVANE_NATIVE_DIR/Tolvane-Q.so" "$@" || {
    echo "bench.sh: tolvane_peer_bench failed" >&2
    exit 1
}
echo "== tolvane_bench"
"$TOLVANE_NATIVE_DIR/tolvane_bench"
