#!/usr/bin/env bash
# Runs one command on a virtual X server of its own and exits with the command's status.
#
#     run-under-xvfb.sh [--screen WIDTHxHEIGHT] <program> [args...]
#
# The screen is 1280x800 unless --screen asks for another size (the VST 3 editor at
# content scale 2 needs 1840x1160 of it).
#
# Xvfb picks a free display number itself (-displayfd) and reports it once it accepts
# connections, so tests run side by side never race for a number and never start before
# the server is ready (xvfb-run -a guesses a number and sleeps instead). The server goes
# away with the command, however the command ends.
#
# Exit status 77 means skipped: no Xvfb on this machine (ctest reports the test as not
# run, with the reason below, instead of passing it).
set -u

screen=1280x800
if [ "${1:-}" = "--screen" ]; then
    screen=${2:?--screen takes WIDTHxHEIGHT}
    shift 2
fi

if ! command -v Xvfb >/dev/null 2>&1; then
    echo "SKIPPED: Xvfb is not installed (Debian package xvfb); the X11 editor tests need it"
    exit 77
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-xvfb.XXXXXX")
xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# -noreset: the server keeps its state when its last client leaves, so a count of clients
# and resources is never taken across a server reset.
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset \
    3>"$workdir/display" 2>"$workdir/xvfb.log" &
xvfb_pid=$!

# The server writes the number when it is ready; a server that dies or never gets there
# ends the wait (60 s, far beyond any normal start on a loaded machine).
display=""
for _ in $(seq 600); do
    display=$(tr -dc '0-9' <"$workdir/display")
    if [ -n "$display" ]; then
        break
    fi
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if [ -z "$display" ]; then
    echo "Xvfb did not start; its log:"
    cat "$workdir/xvfb.log"
    exit 1
fi

DISPLAY=":$display" "$@"
status=$?
exit "$status"
