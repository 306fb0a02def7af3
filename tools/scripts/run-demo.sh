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
trap wine_session_end EXIT
wine_prefix_ready $([ $headless = 1 ] && echo desktop || echo plain)
source "$here/shots.sh"
wine_fonts_ready
: >"$demo/received.bin"
link_com_port 3 "$demo/received.bin"
link_com_port 12
# The names the port list shows beside the two ports.
register_port_name 3 "Virtual demo register"
register_port_name 12 "Virtual serial port"

# The simulated uploader's helper keeps sending heartbeats after it has
# gone, so the progress bar is seen to fill.
printf 'scenario=heartbeat\r\nheartbeats=14\r\nheartbeat_ms=500\r\n' >"$demo/uploader-sim.ini"

if [ $headless = 0 ]; then
  echo "Starting $demo/Vardolin_VaZuvovev.exe (COM3 and COM12 are virtual ports, named"
  echo "\"Virtual demo register\" and \"Virtual serial port\";"
  echo "what arrives on COM3 goes to $demo/received.bin)"
  (cd "$demo" && wine Vardolin_VaZuvovev.exe)
  exit 0
fi

# Headless: one whole demonstration run, photographed along the way, each
# picture once the window has painted.
rm -rf "$demo"/screenshot*.png "$demo"/memo_log.txt "$demo"/*.txt.old "$demo/shots"
status=0
drive_shots "$demo/shots" "$build/tools/driver/demo_run.exe" \
  "$(winepath -w "$demo")" "$(winepath -w "$demo/received.bin")" || status=$?
for shot in "$demo"/shots/*.png; do
  [ -e "$shot" ] || continue
  name=$(basename "$shot" .png)
  if [ "$name" = window ]; then mv "$shot" "$demo/screenshot.png"; else mv "$shot" "$demo/screenshot-$name.png"; fi
done
rmdir "$demo/shots" 2>/dev/null || true
echo "Screenshot of the window: $demo/screenshot.png"
echo "Along the run: $(cd "$demo" && ls screenshot-*.png 2>/dev/null | tr '\n' ' ')"
exit $status
