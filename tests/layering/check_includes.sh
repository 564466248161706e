#!/usr/bin/env bash
# Checks the include rules of the layers on a source tree:
#   dsp/       includes only dsp/ headers, the C++ standard library and the compiler's
#              x86 intrinsics headers;
#   editor/    only dsp/ and editor/;
#   host/      only dsp/, editor/ and host/;
#   vst3/      only dsp/, editor/, host/, vst3/ and the platform's window options;
#   platform/  only dsp/, editor/ and platform/ (the DLL's module entry may reach the
#              host's module hooks);
#   nothing outside platform/ (and the test hosts that drive a real window system)
#   includes windows.h, GDI+, X11, Cairo or the font libraries.
# Prints every violation with file and line; exits 1 if there is one.
#
#     check_includes.sh <source root>
#     check_includes.sh --self-test     plants each kind of violation in a scratch tree
set -uo pipefail

std_headers=" algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat
charconv chrono cinttypes climits clocale cmath codecvt compare complex concepts
condition_variable coroutine csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring
ctime cuchar cwchar cwctype deque exception execution expected filesystem format forward_list
fstream functional future initializer_list iomanip ios iosfwd iostream istream iterator latch
limits list locale map memory memory_resource mutex new numbers numeric optional ostream queue
random ranges ratio regex scoped_allocator semaphore set shared_mutex source_location span
sstream stack stdexcept stop_token streambuf string string_view syncstream system_error thread
tuple type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant
vector version emmintrin.h immintrin.h xmmintrin.h pmmintrin.h smmintrin.h "
std_headers=" $(echo $std_headers) " # one space between names, for the lookups below

os_header_pattern='^(windows\.h|gdiplus\.h|gdiplus/|X11/|cairo|fontconfig/|ft2build\.h|freetype/|xcb/)'

violations=0
report() {
    echo "$1:$2: $3"
    violations=$((violations + 1))
}

# Quoted includes of `file` must start with one of the allowed layer prefixes.
check_quoted() {
    local file=$1 rel=$2
    shift 2
    local allowed=("$@") line number target ok prefix
    while IFS= read -r line; do
        number=${line%%:*}
        target=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"${line#*:}")
        ok=0
        for prefix in "${allowed[@]}"; do
            [[ $target == "$prefix"* ]] && ok=1
        done
        [ "$ok" -eq 1 ] || report "$rel" "$number" "includes \"$target\""
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
}

check_angled() {
    local file=$1 rel=$2 mode=$3 line number target
    while IFS= read -r line; do
        number=${line%%:*}
        target=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*<([^>]+)>.*/\1/' <<<"${line#*:}")
        if [ "$mode" = std ] && [[ $std_headers != *" $target "* ]]; then
            report "$rel" "$number" "includes <$target>, not the standard library"
        elif [[ $target =~ $os_header_pattern ]]; then
            report "$rel" "$number" "includes the system header <$target> outside platform/"
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<' "$file")
}

check_tree() {
    local root=$1 file rel
    while IFS= read -r -d '' file; do
        rel=${file#"$root"/}
        case $rel in
        dsp/*) check_quoted "$file" "$rel" dsp/ && check_angled "$file" "$rel" std ;;
        editor/*) check_quoted "$file" "$rel" dsp/ editor/ && check_angled "$file" "$rel" os ;;
        host/*) check_quoted "$file" "$rel" dsp/ editor/ host/ && check_angled "$file" "$rel" os ;;
        vst3/*)
            check_quoted "$file" "$rel" dsp/ editor/ host/ vst3/ platform/editor_window_options.h &&
                check_angled "$file" "$rel" os
            ;;
        platform/win32/dll_main.cpp) check_quoted "$file" "$rel" platform/ host/lifecycle.h ;;
        platform/*) check_quoted "$file" "$rel" dsp/ editor/ platform/ ;;
        tests/wine/* | tests/x11/* | tests/x11_backend/* | tests/vst3/*) ;; # hosts of a real window system
        *) check_angled "$file" "$rel" os ;;
        esac
    done < <(find "$root" \( -path "$root/build" -o -path "$root/.git" -o -path "$root/out" \) -prune \
        -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
}

self_test() {
    local scratch failures=0 case_file
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' RETURN
    mkdir -p "$scratch"/{dsp,editor,host,platform/x11,tools,vst3}
    # A clean tree passes.
    printf '#include "dsp/engine.h"\n#include <vector>\n#include <immintrin.h>\n' >"$scratch/dsp/a.cpp"
    printf '#include "dsp/engine.h"\n#include "editor/canvas.h"\n#include <mutex>\n' >"$scratch/editor/a.cpp"
    printf '#include "editor/canvas.h"\n#include <X11/Xlib.h>\n' >"$scratch/platform/x11/a.cpp"
    printf '#include "host/plugin_instance.h"\n#include "vst3/plugin.h"\n' >"$scratch/vst3/a.cpp"
    if ! (check_tree "$scratch" >/dev/null && [ "$violations" -eq 0 ]); then
        echo "self-test: a clean tree was refused"
        failures=$((failures + 1))
    fi
    # Each planted violation alone must be found.
    local -a planted=(
        'dsp/b.cpp|#include "host/vst_abi.h"'
        'dsp/b.cpp|#include "editor/canvas.h"'
        'dsp/b.cpp|#include <sndfile.h>'
        'dsp/b.cpp|#include <windows.h>'
        'editor/b.cpp|#include "platform/window_system.h"'
        'editor/b.cpp|#include "host/plugin_instance.h"'
        'editor/b.cpp|#include <cairo/cairo.h>'
        'host/b.cpp|#include "platform/x11/x11_window.h"'
        'host/b.cpp|#include <X11/Xlib.h>'
        'platform/x11/b.cpp|#include "host/dispatcher.h"'
        'tools/b.cpp|#include <gdiplus.h>'
        'vst3/b.cpp|#include "platform/x11/x11_window.h"'
        'vst3/b.cpp|#include <X11/Xlib.h>'
        'host/b.cpp|#include "vst3/plugin.h"'
    )
    for case_file in "${planted[@]}"; do
        printf '%s\n' "${case_file#*|}" >"$scratch/${case_file%%|*}"
        violations=0
        if (check_tree "$scratch" >/dev/null && [ "$violations" -eq 0 ]); then
            echo "self-test: not caught: ${case_file%%|*}: ${case_file#*|}"
            failures=$((failures + 1))
        fi
        rm "$scratch/${case_file%%|*}"
    done
    echo "self-test: $((${#planted[@]} + 1)) cases, $failures failed"
    return "$failures"
}

if [ "${1:-}" = --self-test ]; then
    self_test
    exit $?
fi
root=${1:?usage: check_includes.sh <source root> | --self-test}
check_tree "$root"
echo "include rules: $violations violation(s)"
[ "$violations" -eq 0 ]
