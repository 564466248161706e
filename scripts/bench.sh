#!/usr/bin/env bash
# Speed measurements, never part of the test suite: builds the native tree and runs
#   tolvane_peer_bench  Tolvane-Q.so against LSP's Parametric Equalizer x16 (lsp-plugins-vst)
#   tolvane_bench       the engine's own Google Benchmark cases
# Arguments go to tolvane_peer_bench, e.g. `bash scripts/bench.sh --rounds 31`.
# --all-paths runs the peer benchmark once per vector path the processor has (baseline,
# avx2, avx512; TOLVANE_VECTOR_PATH caps each run) and ends with each run's summary.
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

# One run of the peer benchmark; its output also goes to $2 when given.
run_peer_bench() {
    local log="${1:-/dev/null}"
    shift
    "$TOLVANE_NATIVE_DIR/tolvane_peer_bench" "$TOLVANE_NATIVE_DIR/Tolvane-Q.so" "$@" |
        tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || {
        echo "bench.sh: tolvane_peer_bench failed" >&2
        exit 1
    }
}

# Every path the processor has, in turn; a cap the processor cannot honour gives a narrower
# path, which the benchmark itself reports, and that run is skipped.
run_all_paths() {
    local path got
    bench_logs="$(mktemp -d)"
    trap 'rm -rf "$bench_logs"' EXIT
    for path in baseline avx2 avx512; do
        got="$(TOLVANE_VECTOR_PATH="$path" "$TOLVANE_NATIVE_DIR/tolvane_peer_bench" --which-path)"
        if [ "$got" != "$path" ]; then
            echo "== $path: skipped (this processor gives $got)"
            continue
        fi
        echo "== tolvane_peer_bench, vector path $path"
        TOLVANE_VECTOR_PATH="$path" run_peer_bench "$bench_logs/$path.txt" "$@"
    done
    echo "== tolvane_bench"
    "$TOLVANE_NATIVE_DIR/tolvane_bench"
    for path in baseline avx2 avx512; do
        [ -e "$bench_logs/$path.txt" ] && sed -n '/^== summary/,$p' "$bench_logs/$path.txt"
    done
    return 0
}

all_paths=0
peer_args=()
for arg in "$@"; do
    if [ "$arg" = "--all-paths" ]; then
        all_paths=1
    else
        peer_args+=("$arg")
    fi
done

if [ "$all_paths" -eq 1 ]; then
    run_all_paths "${peer_args[@]}"
    exit 0
fi
echo "== tolvane_peer_bench"
run_peer_bench "" "${peer_args[@]}"
echo "== tolvane_bench"
"$TOLVANE_NATIVE_DIR/tolvane_bench"
