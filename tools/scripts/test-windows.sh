#!/usr/bin/env bash
# Runs the Windows test programs (unit, win32, end-to-end) under Wine in a
# private prefix, on a private X display.
# Usage: test-windows.sh BUILD_DIR [CTEST_ARGS...]
#   e.g. test-windows.sh build/windows -R e2e, with GTEST_FILTER=UpgradeRun.*
#   in the environment to run some tests of a program only.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$(realpath "$1")"
source "$here/wine-env.sh" "$(dirname "$build")/wine-test"
# Tests never use the developer's display: real clicks would land there.
unset DISPLAY
ensure_display
# An interrupted run ends its tests too: a ctest left behind would go on
# relinking the prefix's ports under the next run.
CTEST_PID=""
end_run() {
  [ -n "$CTEST_PID" ] && end_process_tree "$CTEST_PID"
  wine_session_end
}
trap end_run EXIT
wine_prefix_ready desktop
hold_desktop "$build"
# One prepared Wine server for every test program of the run.
export VZ_WINE_SHARED=1
cd "$(dirname "$here")/.."
ctest --test-dir "$build" --output-on-failure "${@:2}" &
CTEST_PID=$!
wait "$CTEST_PID"
