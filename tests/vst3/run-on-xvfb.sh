#!/usr/bin/env bash
# Runs one command on a virtual X server of its own, with a screen large enough for the
# editor at content scale 2 (1840x1160), and exits with the command's status. Otherwise as
# tests/x11/run-under-xvfb.sh: Xvfb picks a free display itself (-displayfd) and the
# command starts only once the server accepts connections.
#
#     run-on-xvfb.sh <program> [args...]
#
# Exit status 77 means skipped: no Xvfb on this machine.
set -u

if ! command -v Xvfb >/dev/null 2>&1; then
    echo "SKIPPED: Xvfb is not installed (Debian package xvfb); the VST 3 editor checks need it"
    exit 77
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-vst3-xvfb.XXXXXX")
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

# The file exists before Xvfb starts, so the wait below may read it at once.
: >"$workdir/display"
Xvfb -displayfd 3 -screen 0 2048x1280x24 -nolisten tcp -noreset \
    3>"$workdir/display" 2>"$workdir/xvfb.log" &
xvfb_pid=$!

display=""
for _ in $(seq 600); do
    display=$(tr -dc '0-9' <"$workdir/display")
    [ -n "$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$display" ]; then
    echo "Xvfb did not start; its log:"
    cat "$workdir/xvfb.log"
    exit 1
fi

DISPLAY=":$display" "$@"
