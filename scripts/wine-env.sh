# shellcheck shell=bash
# Wine environment for the Windows-side checks (test hosts built with mingw that load
# Tolvane-Q.dll like a DAW would).
#
# Use it sourced:
#     source scripts/wine-env.sh <windows-build-dir>
#     tolvane_wine_session_start          # Xvfb + one persistent wineserver
#     tolvane_wine_run editor_snapshot.exe Tolvane-Q.dll out.png
#     tolvane_wine_session_stop
# or as a command (this is what the ctest registrations in tests/integration do):
#     bash scripts/wine-env.sh <windows-build-dir> session-start
#     bash scripts/wine-env.sh <windows-build-dir> run <program.exe> [args...]
#     bash scripts/wine-env.sh <windows-build-dir> session-stop
#
# What it sets up, and why:
# - WINEPREFIX=<windows-build-dir>/wineprefix, created on first use (wineboot -i, ~15 s)
#   and reused afterwards; a lock keeps parallel tests from creating it twice.
# - WINEDEBUG=-all: wine's own diagnostics would drown the test output.
# - AeDebug Debugger="" so a crashing test host exits instead of waiting in winedbg.
# - "Segoe UI" is replaced by "Open Sans" (fonts-open-sans), the editor's face on Windows,
#   linked to DejaVu Sans (fonts-dejavu-core) for the glyphs Open Sans lacks.
# - X11 Driver Managed=N: the window manager-less Xvfb must not own our windows.
# - The prefix's wineserver is killed once the prefix is made: a wineserver started
#   without a display makes every later window creation fail.
# - A session is one Xvfb on a free display plus one `wineserver -p` started with that
#   DISPLAY, warmed up by one trivial program (~0.6 s). With the server warm a test host
#   starts in ~0.1 s instead of ~0.5 s. The
#   session is recorded in <windows-build-dir>/wine-session so separate processes (ctest
#   runs each test in its own) find it; `run` without a session opens a private one for
#   that single program and closes it afterwards.
# - Paths handed to programs may be Unix paths: wine maps "/..." to drive Z:.

tolvane_wine_setup() {
    local build_dir
    build_dir=$(cd "${1:?windows build dir}" && pwd) || return 1
    export TOLVANE_WINE_BUILD_DIR="$build_dir"
    export WINEPREFIX="$build_dir/wineprefix"
    export WINEDEBUG=-all
    export TOLVANE_WINE_SESSION_FILE="$build_dir/wine-session"
    (
        flock 9
        [ -f "$WINEPREFIX/.tolvane-ready-2" ] && exit 0
        tolvane_wine_create_prefix
    ) 9>"$build_dir/wineprefix.lock"
}

tolvane_wine_create_prefix() {
    rm -rf "$WINEPREFIX"
    # mono and gecko are not needed and would ask to be downloaded.
    WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY='' wineboot -i >/dev/null 2>&1
    local reg
    reg=$(mktemp --suffix=.reg)
    cat >"$reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=""

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Segoe UI"="Open Sans"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
EOF
    DISPLAY='' wine regedit /S "$reg" >/dev/null 2>&1
    rm -f "$reg"
    # Open Sans has no arrows for the preset title; wine's font linking borrows them from
    # DejaVu Sans (fonts-dejavu-core) as Windows would from its fallback fonts.
    DISPLAY='' wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v 'Open Sans' /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    grep -q '"Segoe UI"="Open Sans"' "$WINEPREFIX/user.reg" || return 1
    touch "$WINEPREFIX/.tolvane-ready-2"
}

# True when `pid` is still the Xvfb we started (a recycled pid is someone else's).
tolvane_wine_is_our_xvfb() {
    [ -n "${1:-}" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = Xvfb ]
}

# True when the recorded session's Xvfb still runs; exports its DISPLAY.
tolvane_wine_session_load() {
    [ -f "$TOLVANE_WINE_SESSION_FILE" ] || return 1
    local display pid
    read -r display pid <"$TOLVANE_WINE_SESSION_FILE" || return 1
    tolvane_wine_is_our_xvfb "$pid" || return 1
    export DISPLAY=":$display"
}

tolvane_wine_session_start() {
    tolvane_wine_session_load && return 0
    local fdfile display="" pid
    fdfile=$(mktemp)
    # -displayfd lets Xvfb pick a free display itself, so parallel suites never collide.
    # Its output and ours stay apart: ctest waits until every holder of the pipes is gone.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 100); do
        display=$(cat "$fdfile")
        [ -n "$display" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$fdfile"
    if [ -z "$display" ]; then
        echo "wine-env: Xvfb did not start" >&2
        kill "$pid" 2>/dev/null
        return 1
    fi
    export DISPLAY=":$display"
    # A server left over from an earlier run may have been started without a display.
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    wineserver -p </dev/null >/dev/null 2>&1
    # The first wine program boots the prefix's services and desktop (explorer.exe), which
    # then live as long as the server and keep the standard handles they inherited. Boot
    # them here with /dev/null, or they would hold the first test's output pipe open.
    wine cmd /c exit </dev/null >/dev/null 2>&1
    echo "$display $pid" >"$TOLVANE_WINE_SESSION_FILE"
}

tolvane_wine_session_stop() {
    local display pid
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    if [ -f "$TOLVANE_WINE_SESSION_FILE" ]; then
        read -r display pid <"$TOLVANE_WINE_SESSION_FILE"
        tolvane_wine_is_our_xvfb "$pid" && kill "$pid" 2>/dev/null
        rm -f "$TOLVANE_WINE_SESSION_FILE"
    fi
    return 0
}

# Runs a program under wine and returns its exit code. Programs given without a
# directory are looked up in the windows build dir.
tolvane_wine_run() {
    local program="${1:?program}" rc private=0
    shift
    [[ "$program" == */* ]] || program="$TOLVANE_WINE_BUILD_DIR/$program"
    if ! tolvane_wine_session_load; then
        private=1
        tolvane_wine_session_start || return 1
    fi
    wine "$program" "$@"
    rc=$?
    # The program's own output says what failed; this line tells a crash or a launcher
    # failure (no output at all) apart from a clean exit.
    [ "$rc" = 0 ] || echo "wine-env: $(basename "$program") exited with status $rc" >&2
    [ "$private" = 1 ] && tolvane_wine_session_stop
    return "$rc"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -u
    tolvane_wine_setup "${1:?usage: wine-env.sh <windows-build-dir> session-start|session-stop|run ...}" ||
        exit 1
    command="${2:-}"
    shift 2 || true
    case "$command" in
    session-start) tolvane_wine_session_start ;;
    session-stop) tolvane_wine_session_stop ;;
    run) tolvane_wine_run "$@" ;;
    *)
        echo "usage: wine-env.sh <windows-build-dir> session-start|session-stop|run ..." >&2
        exit 2
        ;;
    esac
fi
