#!/usr/bin/env bash
# Tolvane-Q in a real host: Debian's Ardour 7, driven headless through ardour7-lua with the
# Dummy backend (tests/ardour/session.lua does the work inside Ardour).
#
#     ardour_test.sh --work DIR --shim SO --third-octave EXE [--state-tool EXE]
#                    [--vst2 SO] [--vst3 BUNDLE] STEP [ARGS]
#
# Steps (each later one needs `setup` to have run in the same DIR):
#   setup          a fresh Ardour home in DIR and the signal session
#   vst2 | vst3    Tolvane-Q (VST 2.4 or VST 3) scanned by Ardour's own scanner, inserted
#                  with the test parameters: render, save, close, reopen (parameters read
#                  back), render again; the two renders must agree within 0.05 dB in every
#                  third-octave band
#   vst3-vs-vst2   the VST 3 render must match the VST 2.4 render within 0.05 dB per band
#   vst3-bands     the saved VST 3 session with band 3 moved to 2 kHz, +9 dB in its state:
#                  reopened, rendered, saved, reopened, rendered; the renders agree within
#                  0.05 dB, the edit survives both saves, and they differ from the default
#                  bands' render by at least 3 dB around 2 kHz
#   render TYPE OUT.wav
#                  a render with Output Trim 0.5 through Tolvane-Q (LXVST or VST3) to OUT
#
# Ardour keeps its configuration and plug-in caches in DIR/home (HOME, XDG_CONFIG_HOME,
# XDG_CACHE_HOME), so a user's own Ardour setup is neither read nor changed. Exit status 77:
# Ardour is not installed (the test is reported as skipped, never as passed).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
session_lua="$here/session.lua"

# Parameters set on every inserted plug-in: Output Trim, VAVU Coupling, 172 Sieve,
# 580 Limiter, Bypass (normalised 0..1). None of the first four is its parameter's default,
# so a value that is not restored shows.
test_params=("0=0.75" "1=0.6" "2=0.4" "3=0.8" "4=0")
tolerance_db=0.05
signal_seconds=10
# A luasession run takes seconds; minutes mean it hangs.
step_timeout=600

work="" shim="" third_octave="" state_tool="" vst2="" vst3=""
while [ $# -gt 0 ]; do
    case "$1" in
    --work) work=$2 ;;
    --shim) shim=$2 ;;
    --third-octave) third_octave=$2 ;;
    --state-tool) state_tool=$2 ;;
    --vst2) vst2=$2 ;;
    --vst3) vst3=$2 ;;
    --*)
        echo "ardour_test.sh: unknown option $1" >&2
        exit 2
        ;;
    *) break ;;
    esac
    shift 2
done
step=${1:-}
shift || true
if [ -z "$work" ] || [ -z "$shim" ] || [ -z "$third_octave" ] || [ -z "$step" ]; then
    echo "usage: ardour_test.sh --work DIR --shim SO --third-octave EXE [--state-tool EXE]" \
        "[--vst2 SO] [--vst3 BUNDLE] STEP [ARGS]" >&2
    exit 2
fi

die() {
    echo "FAIL: $*" >&2
    exit 1
}

if ! command -v ardour7-lua >/dev/null 2>&1; then
    echo "SKIPPED: ardour7-lua is not installed (Debian package ardour)"
    exit 77
fi
# The scanners sit beside luasession, which the ardour7-lua wrapper starts.
ardour_libdir=$(sed -n 's|^exec \(.*\)/luasession .*|\1|p' "$(command -v ardour7-lua)")
if [ ! -x "$ardour_libdir/ardour-vst-scanner" ] || [ ! -x "$ardour_libdir/ardour-vst3-scanner" ]; then
    die "Ardour's plug-in scanners not found beside luasession ('$ardour_libdir')"
fi

mkdir -p "$work"
work=$(cd "$work" && pwd)
home="$work/home"
lxvst_dir="$work/plugins/lxvst"
vst3_dir="$work/plugins/vst3"
signal_session="$work/signal/tolvane"

export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache"
export LXVST_PATH="$lxvst_dir" VST3_PATH="$vst3_dir"
# No audio server or desktop session is wanted; the Dummy backend needs none.
unset JACK_DEFAULT_SERVER DBUS_SESSION_BUS_ADDRESS

# One session.lua step. Its output goes to the log and to the test's output; it must exit
# 0 and report the step done.
ardour_step() {
    local name=$1
    shift
    local log
    log="$work/logs/$name-$(date +%s%N).log"
    mkdir -p "$work/logs"
    echo "== ardour7-lua session.lua $name $*"
    TOLVANE_FPU_SHIM_QUIET=1 LD_PRELOAD="$shim" timeout -k 10 "$step_timeout" \
        ardour7-lua "$session_lua" "$name" "$@" >"$log" 2>&1
    local status=$?
    # Ardour's complaints about MP3 encoders it lacks and routine chatter are left out.
    grep -v -E "encoder is not available|direct dispatch of call slot|queue call-slot|Butler drops|Reasonable Synth" \
        "$log"
    [ "$status" -eq 124 ] && die "session.lua $name still running after ${step_timeout}s"
    [ "$status" -eq 0 ] || die "session.lua $name exited with status $status (log: $log)"
    grep -q "^ardour-step-ok $name\$" "$log" || die "session.lua $name did not finish"
}

compare() {
    echo "== third_octave compare $1 $2"
    "$third_octave" compare "$1" "$2" --tolerance "$tolerance_db" ||
        die "$(basename "$2") does not match $(basename "$1") within $tolerance_db dB"
}

# Puts a copy of the plug-in where Ardour looks (LXVST_PATH or VST3_PATH holds nothing
# else) and runs Ardour's scanner on it; every later luasession start reads the scan cache.
# The copy is dated back an hour: Ardour trusts a cache only when it is strictly newer than
# the module, and a module copied within the same second as the scan would count as stale
# and be left out.
install_plugin() {
    case "$1" in
    LXVST)
        [ -n "$vst2" ] || die "--vst2 is needed"
        [ -f "$vst2" ] || die "no VST 2.4 module at $vst2"
        rm -rf "$lxvst_dir"
        mkdir -p "$lxvst_dir"
        cp "$vst2" "$lxvst_dir/Tolvane-Q.so"
        touch -d '1 hour ago' "$lxvst_dir/Tolvane-Q.so"
        LD_LIBRARY_PATH="$ardour_libdir" "$ardour_libdir/ardour-vst-scanner" -f \
            "$lxvst_dir/Tolvane-Q.so" || die "Ardour's VST 2.4 scanner failed on Tolvane-Q.so"
        ;;
    VST3)
        [ -n "$vst3" ] || die "--vst3 is needed"
        [ -d "$vst3" ] || die "no VST 3 bundle at $vst3"
        rm -rf "$vst3_dir"
        mkdir -p "$vst3_dir"
        cp -R "$vst3" "$vst3_dir/Tolvane-Q.vst3"
        find "$vst3_dir/Tolvane-Q.vst3" -exec touch -d '1 hour ago' {} +
        LD_LIBRARY_PATH="$ardour_libdir" "$ardour_libdir/ardour-vst3-scanner" -f \
            "$vst3_dir/Tolvane-Q.vst3" || die "Ardour's VST 3 scanner failed on Tolvane-Q.vst3"
        ;;
    *) die "unknown plug-in type $1" ;;
    esac
}

setup() {
    rm -rf "$home" "$work/plugins" "$work/signal" "$work/logs"
    mkdir -p "$XDG_CONFIG_HOME/ardour7/export" "$XDG_CACHE_HOME"
    # A 32-bit float WAV export without dither, so that the renders carry nothing random.
    cp "$here/export/tolvane-float.format" "$here/export/tolvane-float.preset" \
        "$XDG_CONFIG_HOME/ardour7/export/"
    mkdir -p "$work/signal"
    ardour_step signal "$signal_session" "$signal_seconds"
}

# A copy of the signal session under DIR/NAME (same session name, so its files stay put).
fresh_session() {
    local dir="$work/$1"
    [ -d "$signal_session" ] || die "no signal session: run the setup step first"
    rm -rf "$dir"
    mkdir -p "$dir"
    cp -R "$signal_session" "$dir/"
    echo "$dir/tolvane"
}

render_and_reopen() {
    local kind=$1 type=$2
    local session
    install_plugin "$type"
    session=$(fresh_session "$kind") || exit 1
    ardour_step insert "$session" "$type" "$work/$kind-first.wav" "${test_params[@]}"
    if [ "$type" = VST3 ] && [ -n "$state_tool" ]; then
        echo "== the state Ardour saved for the VST 3 plug-in"
        "$state_tool" show "$session/tolvane.ardour" || die "no VST 3 state in the saved session"
    fi
    ardour_step reopen "$session" "$type" "$work/$kind-reopened.wav" "${test_params[@]}"
    compare "$work/$kind-first.wav" "$work/$kind-reopened.wav"
}

vst3_bands() {
    [ -n "$state_tool" ] || die "--state-tool is needed for the band edit"
    local session="$work/vst3-bands/tolvane"
    [ -f "$work/vst3/tolvane/tolvane.ardour" ] || die "no saved VST 3 session: run vst3 first"
    rm -rf "$work/vst3-bands"
    mkdir -p "$work/vst3-bands"
    cp -R "$work/vst3/tolvane" "$work/vst3-bands/"
    # The check below must be able to fail: the state as saved has band 3 elsewhere.
    if "$state_tool" check "$session/tolvane.ardour" --band 2 --frequency 2000 --gain 9 \
        >/dev/null; then
        die "the saved state already has band 3 at 2 kHz, +9 dB: the edit would prove nothing"
    fi
    echo "== editing the saved state: band 3 to 2 kHz, +9 dB"
    "$state_tool" edit "$session/tolvane.ardour" --band 2 --frequency 2000 --gain 9 ||
        die "cannot edit the plug-in state in the saved session"
    ardour_step reopen "$session" VST3 "$work/bands-first.wav" "${test_params[@]}"
    "$state_tool" check "$session/tolvane.ardour" --band 2 --frequency 2000 --gain 9 ||
        die "the edited band did not survive the first save"
    ardour_step reopen "$session" VST3 "$work/bands-reopened.wav" "${test_params[@]}"
    "$state_tool" check "$session/tolvane.ardour" --band 2 --frequency 2000 --gain 9 ||
        die "the edited band did not survive the second save"
    compare "$work/bands-first.wav" "$work/bands-reopened.wav"
    echo "== third_octave differs (default bands against edited bands, around 2 kHz)"
    "$third_octave" differs "$work/vst3-first.wav" "$work/bands-first.wav" --at 2000 --by 3 ||
        die "the edited bands' render is not 3 dB away from the default bands' around 2 kHz"
}

case "$step" in
setup) setup ;;
vst2)
    [ -n "$vst2" ] || die "--vst2 is needed"
    render_and_reopen vst2 LXVST
    ;;
vst3)
    [ -n "$vst3" ] || die "--vst3 is needed"
    render_and_reopen vst3 VST3
    ;;
vst3-vs-vst2)
    compare "$work/vst2-first.wav" "$work/vst3-first.wav"
    compare "$work/vst2-reopened.wav" "$work/vst3-reopened.wav"
    ;;
vst3-bands) vst3_bands ;;
render)
    [ $# -eq 2 ] || die "usage: render LXVST|VST3 OUT.wav"
    out=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
    install_plugin "$1"
    session=$(fresh_session "render-$1") || exit 1
    ardour_step insert "$session" "$1" "$out" 0=0.5
    ;;
*) die "unknown step $step" ;;
esac
echo "PASS: ardour $step"
