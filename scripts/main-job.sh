#!/usr/bin/env bash
# Builds both trees and produces the two artefacts of a release check:
#   out/render.wav  music rendered through the Linux build (Tolvane-Q.so) by the
#                   command-line host build/native/tolvane-host
#   out/render-vst3.wav
#                   pink noise rendered through the Linux VST 3 bundle (Tolvane-Q.vst3) by
#                   Ardour 7, driven headless (tests/ardour/ardour_test.sh), Output Trim 0.5
#   out/editor.png  the editor of the Windows build (Tolvane-Q.dll) as wine draws it,
#                   saved by build/windows/editor_snapshot.exe on a virtual display
#   out/editor-linux.png
#                   the editor of the Linux build (Tolvane-Q.so, X11 + Cairo) in a host
#                   window on a virtual X server, saved by build/native/x11_editor_snapshot
#                   (and out/editors-windows-linux.png: the two, one above the other)
# The plug-in to install in a DAW is build/windows/Tolvane-Q.dll.
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

tolvane_install_missing || { echo "main-job.sh: installing packages failed" >&2; exit 1; }
tolvane_build || { echo "main-job.sh: build failed" >&2; exit 1; }

out="$TOLVANE_ROOT/out"
mkdir -p "$out"

echo "== rendering out/render.wav through Tolvane-Q.so"
"$TOLVANE_NATIVE_DIR/tolvane-host" "$TOLVANE_NATIVE_DIR/Tolvane-Q.so" --block 512 \
    --param "Output Trim=0.5" --output "$out/render.wav" || {
    echo "main-job.sh: rendering failed" >&2
    exit 1
}

echo "== rendering out/render-vst3.wav through Tolvane-Q.vst3 in Ardour"
ardour_test=(bash "$TOLVANE_ROOT/tests/ardour/ardour_test.sh"
    --work "$TOLVANE_NATIVE_DIR/ardour-main-job"
    --shim "$TOLVANE_NATIVE_DIR/libtolvane_ardour_fpu_shim.so"
    --third-octave "$TOLVANE_NATIVE_DIR/third_octave" --vst3 "$TOLVANE_NATIVE_DIR/Tolvane-Q.vst3")
"${ardour_test[@]}" setup && "${ardour_test[@]}" render VST3 "$out/render-vst3.wav"
status=$?
if [ "$status" -ne 0 ] || [ ! -s "$out/render-vst3.wav" ]; then
    echo "main-job.sh: rendering through Ardour failed ($status)" >&2
    exit 1
fi

echo "== drawing out/editor.png with Tolvane-Q.dll under wine"
# shellcheck source=scripts/wine-env.sh
source "$TOLVANE_ROOT/scripts/wine-env.sh"
tolvane_wine_setup "$TOLVANE_WINDOWS_DIR" || { echo "main-job.sh: wine prefix failed" >&2; exit 1; }
(cd "$TOLVANE_WINDOWS_DIR" && tolvane_wine_run editor_snapshot.exe Tolvane-Q.dll "$out/editor.png")
status=$?
if [ "$status" -ne 0 ] || [ ! -s "$out/editor.png" ]; then
    echo "main-job.sh: editor picture failed ($status)" >&2
    exit 1
fi
echo "== drawing out/editor-linux.png with Tolvane-Q.so on a virtual X server"
bash "$TOLVANE_ROOT/tests/x11/run-under-xvfb.sh" "$TOLVANE_NATIVE_DIR/x11_editor_snapshot" \
    "$TOLVANE_NATIVE_DIR/Tolvane-Q.so" "$out/editor-linux.png"
status=$?
if [ "$status" -ne 0 ] || [ ! -s "$out/editor-linux.png" ]; then
    echo "main-job.sh: Linux editor picture failed ($status)" >&2
    exit 1
fi
# The two editors one above the other, for comparing them by eye.
convert "$out/editor.png" "$out/editor-linux.png" -append "$out/editors-windows-linux.png" ||
    echo "main-job.sh: could not put the two pictures together (ImageMagick)" >&2
echo "== done: $out/render.wav, $out/render-vst3.wav, $out/editor.png, $out/editor-linux.png"
