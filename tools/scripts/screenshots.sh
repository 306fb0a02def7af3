#!/usr/bin/env bash
# Takes the README's screenshots of the window under a private Xvfb, into
# docs/screenshots/, each once the window has painted (tools/driver/demo_run
# paints it and tools/scripts/check-shot.py checks the picture):
#   window-fr.png, window-en.png   the window as it opens, in French and
#                                  in English
#   window-port.png                a port chosen: the list turns green,
#                                  its device's name in the status line
#   window-list.png                the port list dropped open: each port
#                                  with its device's name beside it
#   window-nodriver.png            a USB serial adapter plugged in without
#                                  a driver, told in the second status line
#   window-progress.png            a run under way: its status lines and
#                                  the progress bar
#   window-end.png                 the end message
#   window-dpi96.png, window-dpi120.png, window-dpi144.png
#                                  the window as it opens (English) at 96,
#                                  120 and 144 DPI; the prefix's LogPixels is
#                                  set for each and put back afterwards
# Usage: screenshots.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build="$(realpath "$1")"
source "$here/wine-env.sh" "$(dirname "$build")/wine-shots"
source "$here/shots.sh"
unset DISPLAY
ensure_display

key='HKCU\Control Panel\Desktop'
saved_dpi=""  # the prefix's own LogPixels, empty when it has none
dpi_changed=0
restore_dpi() {
  [ "$dpi_changed" = 1 ] || return 0
  if [ -n "$saved_dpi" ]; then
    wine reg add "$key" /v LogPixels /t REG_DWORD /d "$saved_dpi" /f >/dev/null 2>&1 || true
  else
    wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
  fi
}
end_shots() {
  restore_dpi
  unregister_device 'USB\VID_1A86&PID_7523\VZSHOT'
  wine_session_end
}
trap end_shots EXIT

wine_prefix_ready desktop
wine_fonts_ready
hold_desktop "$build"
stage="$(dirname "$build")/screens"
rm -rf "$stage"
"$here/stage-demo.sh" "$build" "$stage"
: >"$stage/received.bin"
link_com_port 3 "$stage/received.bin"
link_com_port 12
register_port_name 3 "Virtual demo register"
register_port_name 12 "Virtual serial port"
out="$root/docs/screenshots"
mkdir -p "$out"
demo_run="$build/tools/driver/demo_run.exe"

# The desktop around the window is one colour: trim it away.
keep() {
  convert "$1" -fuzz 2% -trim +repage -strip "$2"
  echo "$2"
}

language() { printf '%s\r\n' "$1" >"$stage/Language.ini"; }

# The window as it opens, in French and in English.
for lang in FRANCAISE:fr ENGLISH:en; do
  language "${lang%%:*}"
  drive_shots "$stage/shots" "$demo_run" "$(winepath -w "$stage")" --start-only
  keep "$stage/shots/window.png" "$out/window-${lang##*:}.png"
done

# One whole run in English: the port chosen, the bar, the end message. The
# simulated uploader's helper sends heartbeats, so the bar is seen to grow.
language ENGLISH
rm -f "$stage"/memo_log.txt "$stage"/port.ini
printf 'scenario=heartbeat\r\nheartbeats=14\r\nheartbeat_ms=500\r\n' >"$stage/uploader-sim.ini"
drive_shots "$stage/shots" "$demo_run" "$(winepath -w "$stage")" "$(winepath -w "$stage/received.bin")"
for sight in port progress end; do keep "$stage/shots/$sight.png" "$out/window-$sight.png"; done

# The port list dropped open, each port with its device's name; then an
# adapter without a driver, told while idle.
rm -f "$stage"/port.ini
drive_shots "$stage/shots" "$demo_run" "$(winepath -w "$stage")" --list-open
keep "$stage/shots/list.png" "$out/window-list.png"
register_driverless_usb 'VID_1A86&PID_7523\VZSHOT' 'USB\VID_1A86&PID_7523&REV_0254'
drive_shots "$stage/shots" "$demo_run" "$(winepath -w "$stage")" --start-only
unregister_device 'USB\VID_1A86&PID_7523\VZSHOT'
keep "$stage/shots/window.png" "$out/window-nodriver.png"

# The window as it opens at 96, 120 and 144 DPI (Wine reads LogPixels when
# a program starts).
language ENGLISH
rm -f "$stage"/port.ini
saved_dpi=$(wine reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' |
            sed -n 's/^ *LogPixels *REG_DWORD *0x\([0-9a-fA-F]*\).*/\1/p') || saved_dpi=""
[ -n "$saved_dpi" ] && saved_dpi=$((16#$saved_dpi))
dpi_changed=1
for dpi in 96 120 144; do
  set_log_pixels "$dpi"
  drive_shots "$stage/shots" "$demo_run" "$(winepath -w "$stage")" --start-only
  keep "$stage/shots/window.png" "$out/window-dpi$dpi.png"
done
restore_dpi
dpi_changed=0
