#!/usr/bin/env bash
# The whole test suite, as CI runs it: installs what is missing (Debian, as root), builds
# build/windows (mingw-w64) and build/native, then runs ctest in build/native. That one
# ctest covers the native unit tests (ASan+UBSan), the thread tests (TSan), the
# command-line host, and the Windows-side checks of Tolvane-Q.dll under wine.
#
#     bash scripts/test.sh            # extra arguments go to ctest, e.g. -R dll_
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

tolvane_install_missing || { echo "test.sh: installing packages failed" >&2; exit 1; }
tolvane_build || { echo "test.sh: build failed" >&2; exit 1; }

echo "== ctest (build/native)"
cd "$TOLVANE_NATIVE_DIR" || exit 1
ctest --output-on-failure -j "$TOLVANE_JOBS" "$@"
