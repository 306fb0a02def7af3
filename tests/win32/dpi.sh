#!/usr/bin/env bash
# Checks the window's layout at 96, 120 and 144 DPI: the prefix's LogPixels
# is set for each run (Wine reads it when a program starts) and restored.
# Usage: dpi.sh WIN32_TESTS_EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
key='HKCU\Control Panel\Desktop'
trap 'wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true' EXIT
for dpi in 96 120 144; do
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  echo "== $dpi DPI"
  VZ_EXPECT_DPI=$dpi bash "$here/with-ports.sh" "$1" --gtest_filter='StartedWindow.Dpi*'
done
