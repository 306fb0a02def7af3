#!/usr/bin/env bash
# Checks the window's layout at 96, 120 and 144 DPI: the prefix's LogPixels
# is set for each run (Wine reads it when a program starts) and restored.
# Usage: dpi.sh WIN32_TESTS_EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/scripts/wine-env.sh" "$WINEPREFIX"
key='HKCU\Control Panel\Desktop'
trap 'wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true' EXIT

for dpi in 96 120 144; do
  set_log_pixels "$dpi"
  echo "== $dpi DPI"
  status=0
  VZ_EXPECT_DPI=$dpi bash "$here/with-ports.sh" "$1" --gtest_filter='StartedWindow.Dpi*' || status=$?
  if [ "$status" -ne 0 ]; then
    echo "dpi.sh: the layout check at $dpi DPI ended with exit code $status" >&2
    exit "$status"
  fi
done
