#!/usr/bin/env bash
# The editor's paint under wine, this checkout against a base commit (default HEAD, i.e.
# the checkout without its uncommitted changes), in one run. Never part of the test suite.
#
#     bash bench/paint/compare.sh [base-ref] [rounds]
#
# 1. Builds the base's Tolvane-Q.dll in a temporary git worktree with its own build dir, and
#    this checkout's Windows tree (TOLVANE_BUILD_ROOT is honoured), both with mingw-w64.
# 2. Times WM_PAINT with build/windows/paint_timer.exe (100 frames, audio fed between
#    frames, median per run), base and checkout taking turns for `rounds` rounds (default
#    5), and prints every median, the median of each side's medians and their ratio; then
#    the same while the selected band's node is dragged between frames (--drag).
# 3. Saves the editor picture of both with the same editor_snapshot.exe (fixed music, taken
#    before the first animation tick) and prints the largest difference of any channel at
#    any pixel (ImageMagick `compare -metric PAE`).
# The two pictures only agree if the two builds share the engine: the script says so when
# the checkout differs from the base outside editor/, platform/, tests/ and bench/.
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
# shellcheck source=scripts/wine-env.sh
source "$TOLVANE_ROOT/scripts/wine-env.sh"

base_ref="${1:-HEAD}"
rounds="${2:-5}"
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-paint.XXXXXX") || exit 1
base_tree="$work/base"

cleanup() {
    git -C "$TOLVANE_ROOT" worktree remove --force "$base_tree" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "compare.sh: $*" >&2
    exit 1
}

build_base() {
    echo "== building $base_ref's Tolvane-Q.dll in a worktree"
    git -C "$TOLVANE_ROOT" worktree add --detach "$base_tree" "$base_ref" >/dev/null 2>&1 ||
        return 1
    cmake -G Ninja -S "$base_tree" -B "$work/base-build" \
        -DCMAKE_TOOLCHAIN_FILE="$base_tree/cmake/mingw-w64-x86_64.cmake" >/dev/null &&
        cmake --build "$work/base-build" -j "$TOLVANE_JOBS" --target TolvaneQ >/dev/null
}

build_checkout() {
    echo "== building this checkout's Windows tree"
    cmake -G Ninja -S "$TOLVANE_ROOT" -B "$TOLVANE_WINDOWS_DIR" \
        -DCMAKE_TOOLCHAIN_FILE="$TOLVANE_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null &&
        cmake --build "$TOLVANE_WINDOWS_DIR" -j "$TOLVANE_JOBS" \
            --target TolvaneQ paint_timer editor_snapshot >/dev/null
}

warn_if_engines_differ() {
    local others
    others=$(git -C "$TOLVANE_ROOT" diff --name-only "$base_ref" -- . ':!editor' ':!platform' \
        ':!tests' ':!bench')
    [ -z "$others" ] && return 0
    echo "note: the checkout differs from $base_ref outside the editor; the pictures may" \
        "differ for that reason too:"
    echo "$others" | sed 's/^/    /'
}

# Median of the numbers on stdin.
median() {
    sort -g | awk '{ v[NR] = $1 }
        END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Median paint of one run; extra arguments go to paint_timer.exe after the frame count.
time_paints() {
    local dll="$1"
    shift
    tolvane_wine_run paint_timer.exe "$dll" 100 "$@" |
        sed -n 's/.*median_ms=\([0-9.]*\).*/\1/p'
}

time_both() {
    local base_dll="$work/base-build/Tolvane-Q.dll" new_dll="$TOLVANE_WINDOWS_DIR/Tolvane-Q.dll"
    local round base_ms new_ms
    : >"$work/base.ms"
    : >"$work/new.ms"
    echo "== WM_PAINT medians over 100 frames (ms), $rounds rounds taking turns${1:+ ($1)}"
    for round in $(seq "$rounds"); do
        base_ms=$(time_paints "$base_dll" "$@")
        new_ms=$(time_paints "$new_dll" "$@")
        if [ -z "$base_ms" ] || [ -z "$new_ms" ]; then
            fail "paint_timer failed in round $round"
        fi
        echo "round $round: base $base_ms  checkout $new_ms"
        echo "$base_ms" >>"$work/base.ms"
        echo "$new_ms" >>"$work/new.ms"
    done
    base_ms=$(median <"$work/base.ms")
    new_ms=$(median <"$work/new.ms")
    awk -v b="$base_ms" -v n="$new_ms" 'BEGIN {
        printf "median of medians: base %.2f ms, checkout %.2f ms, ratio %.3f\n", b, n, n / b }'
}

compare_pictures() {
    local base_png="$work/base.png" new_png="$work/checkout.png" pae
    echo "== editor pictures"
    tolvane_wine_run editor_snapshot.exe "$work/base-build/Tolvane-Q.dll" "$base_png" >/dev/null
    tolvane_wine_run editor_snapshot.exe "$TOLVANE_WINDOWS_DIR/Tolvane-Q.dll" "$new_png" \
        >/dev/null
    if [ ! -s "$base_png" ] || [ ! -s "$new_png" ]; then
        fail "a snapshot failed"
    fi
    # PAE prints the peak as "<quantum> (<fraction of full scale>)"; compare exits 1 when
    # the pictures differ at all, which is no failure here.
    pae=$(compare -metric PAE "$base_png" "$new_png" null: 2>&1)
    awk -v f="$(echo "$pae" | sed -n 's/.*(\(.*\)).*/\1/p')" 'BEGIN {
        printf "largest difference of a channel at any pixel: %d of 255\n", f * 255 + 0.5 }'
}

build_base || fail "building $base_ref failed"
build_checkout || fail "building the checkout failed"
warn_if_engines_differ
tolvane_wine_setup "$TOLVANE_WINDOWS_DIR" || fail "wine prefix failed"
tolvane_wine_session_start || fail "wine session failed"
time_both
time_both --drag
compare_pictures
tolvane_wine_session_stop
