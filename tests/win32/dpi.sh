#!/usr/bin/env bash
# Checks the window's layout at 96, 120 and 144 DPI: the prefix's LogPixels
# is set for each run (Wine reads it when a program starts) and restored.
# Usage: dpi.sh WIN32_TESTS_EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
key='HKCU\Control Panel\Desktop'
trap 'wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true' EXIT

# Sets LogPixels. On a busy machine `wine reg` has once failed for no
# reason of ours: it is tried again, and a last failure says what reg said.
set_dpi() {
  local out attempt
  for attempt in 1 2 3; do
    if out=$(wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f 2>&1); then return 0; fi
    sleep 1
  done
  echo "dpi.sh: LogPixels could not be set to $1: $(printf '%s' "$out" | tr -d '\r')" >&2
  return 1
}

for dpi in 96 120 144; do
  set_dpi "$dpi"
  echo "== $dpi DPI"
  status=0
  VZ_EXPECT_DPI=$dpi bash "$here/with-ports.sh" "$1" --gtest_filter='StartedWindow.Dpi*' || status=$?
  if [ "$status" -ne 0 ]; then
    echo "dpi.sh: the layout check at $dpi DPI ended with exit code $status" >&2
    exit "$status"
  fi
done
