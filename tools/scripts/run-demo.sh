#!/usr/bin/env bash
# Opens the staged program under Wine with virtual serial ports COM3 and
# COM12. On a display it simply runs until closed; with none it starts a
# private Xvfb, waits for the window, saves a screenshot into the demo
# folder and ends.
# Usage: run-demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$1" demo="$2"
source "$here/wine-env.sh" "$(dirname "$build")/wine-demo"
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
ensure_display
cleanup() {
  wineserver -k 2>/dev/null || true
  unlink_com_ports
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
wine_prefix_ready
wine_virtual_desktop $([ $headless = 1 ] && echo on || echo off)
: >"$demo/received.bin"
link_com_port 3 "$demo/received.bin"
link_com_port 12

exe_w=$(winepath -w "$demo/Vardolin_VaZuvovev.exe")
if [ $headless = 0 ]; then
  echo "Starting $demo/Vardolin_VaZuvovev.exe (COM3 and COM12 are virtual ports)"
  (cd "$demo" && wine Vardolin_VaZuvovev.exe)
  exit 0
fi
ms=$(wine "$build/tools/winwait/winwait.exe" --launch "$exe_w" --timeout 30000)
sleep 1
import -window root "$demo/screenshot.png"
echo "Window shown ${ms} ms after launch."
echo "Screenshot: $demo/screenshot.png"
