# Sourced by the scripts that run the program under Wine: a private prefix
# under build/, quiet, with no Mono or Gecko prompts, and prepared once.
# Usage: source wine-env.sh PREFIX_DIR
export WINEPREFIX="$(realpath -m "$1")"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Prepares the prefix once and starts its server. With "desktop", windows
# open in a Wine virtual desktop, which draws their frame and close box under
# Xvfb, where no window manager does. Usage: wine_prefix_ready [desktop]
wine_prefix_ready() {
  local want="${1:-plain}"
  if [ ! -f "$WINEPREFIX/.vz-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # Only the COM links we make ourselves: no ports from the mount manager.
    wine reg add 'HKLM\System\CurrentControlSet\Services\MountMgr' /v Start /t REG_DWORD /d 4 /f >/dev/null 2>&1
    wineserver -w
    rm -f "$WINEPREFIX"/dosdevices/com* 2>/dev/null || true
    touch "$WINEPREFIX/.vz-ready"
  fi
  if [ "$(cat "$WINEPREFIX/.vz-desktop" 2>/dev/null)" != "$want" ]; then
    if [ "$want" = desktop ]; then
      wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1280x1024 /f >/dev/null 2>&1
    else
      wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
    fi
    # The desktop is read when the server's first window opens: restart.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    echo "$want" >"$WINEPREFIX/.vz-desktop"
  fi
  # Our own server and its helper processes (services, the desktop), started
  # quietly: they outlive any one program and must not hold the output of
  # whichever test happened to start them, and the server reports its
  # leftovers on stderr when it exits.
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1
}

# Keeps the prefix's desktop open until the Wine server ends (see
# winwait.exe --hold-desktop), so that Wine's desktop process is never the
# child of a program that a test or a benchmark ends.
# Usage: hold_desktop BUILD_DIR_OF_THE_WINDOWS_PRESET
hold_desktop() {
  local out
  out=$(mktemp /tmp/vz-desktop.XXXXXX)
  wine "$1/tools/winwait/winwait.exe" --hold-desktop </dev/null >"$out" 2>&1 &
  for _ in $(seq 600); do grep -q "desktop held" "$out" && break; sleep 0.05; done
  if ! grep -q "desktop held" "$out"; then
    echo "the Wine desktop could not be held open: $(tr -d '\r' <"$out")" >&2
    rm -f "$out"
    exit 1
  fi
  rm -f "$out"
}

# Starts a private Xvfb when there is no display. Sets XVFB_PID. Xvfb
# picks a free display number itself and writes it to a file once it
# accepts connections (-displayfd); a display that never comes up ends the
# script with a message instead of letting every test fail in turn.
XVFB_PID=""
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local numfile n=""
  numfile=$(mktemp /tmp/vz-xvfb.XXXXXX)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 200); do
    n=$(tr -dc 0-9 <"$numfile")
    [ -n "$n" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$numfile"
  if [ -z "$n" ]; then
    echo "no X display came up: Xvfb did not start within 10 s" >&2
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
    exit 1
  fi
  export DISPLAY=":$n"
}

# Links COMn of the prefix to a new pseudo-terminal whose far end is
# appended to FILE (or thrown away). Sets SOCAT_PIDS.
SOCAT_PIDS=()
COM_DIRS=()
link_com_port() {
  local n="$1" capture="${2:-/dev/null}" dir
  dir=$(mktemp -d /tmp/vz-com$n.XXXXXX)
  COM_DIRS+=("$dir")
  socat pty,raw,echo=0,link="$dir/port" pty,raw,echo=0,link="$dir/far" 2>/dev/null &
  SOCAT_PIDS+=($!)
  for _ in $(seq 50); do [ -e "$dir/far" ] && break; sleep 0.05; done
  (while [ -e "$dir/far" ]; do cat "$dir/far" >>"$capture" 2>/dev/null || sleep 0.05; done) &
  SOCAT_PIDS+=($!)
  ln -sfn "$dir/port" "$WINEPREFIX/dosdevices/com$n"
}

unlink_com_ports() {
  for pid in "${SOCAT_PIDS[@]:-}"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
  SOCAT_PIDS=()
  rm -f "$WINEPREFIX"/dosdevices/com* 2>/dev/null || true
  for dir in "${COM_DIRS[@]:-}"; do [ -n "$dir" ] && rm -rf "$dir"; done
  COM_DIRS=()
}

# Device records in the prefix's registry, which Wine's SetupAPI lists as
# Windows' device manager would (a record needs a class GUID to be listed).
# register_port_name N NAME: COMn's device, of the Ports class, is NAME.
# register_driverless_usb KEY HARDWARE_ID: a USB device plugged in without a
# driver ("Other devices"), under Enum\USB\KEY. unregister_device PATH
# takes a record out again (PATH below Enum, e.g. USB\KEY).
VZ_ENUM='HKLM\System\CurrentControlSet\Enum'
# `wine reg add`, tried again as set_log_pixels does: on a busy machine it
# has failed for no reason of ours.
wine_reg_add() {
  for _ in 1 2 3; do
    wine reg add "$@" /f >/dev/null 2>&1 && return 0
    sleep 1
  done
  echo "wine reg add $1 failed" >&2
  return 1
}
register_port_name() {
  local key="$VZ_ENUM\\ROOT\\PORTS\\VZPORT$1"
  wine_reg_add "$key" /v ClassGUID /t REG_SZ /d '{4D36E978-E325-11CE-BFC1-08002BE10318}'
  wine_reg_add "$key" /v FriendlyName /t REG_SZ /d "$2 (COM$1)"
  wine_reg_add "$key\\Device Parameters" /v PortName /t REG_SZ /d "COM$1"
}
register_driverless_usb() {
  local key="$VZ_ENUM\\USB\\$1"
  wine_reg_add "$key" /v ClassGUID /t REG_SZ /d '{4D36E97E-E325-11CE-BFC1-08002BE10318}'
  # A list: Wine's regedit would read hex(7) as 8-bit text.
  wine_reg_add "$key" /v HardwareID /t REG_MULTI_SZ /d "$2"
}
unregister_device() {
  wine reg delete "$VZ_ENUM\\$1" /f >/dev/null 2>&1 || true
}

# Ends a process and everything it started, the deepest first.
end_process_tree() {
  local child
  for child in $(pgrep -P "$1" 2>/dev/null); do end_process_tree "$child"; done
  kill "$1" 2>/dev/null || true
}

# Ends what a script started: the Wine server, the port links, the private
# X display.
wine_session_end() {
  wineserver -k 2>/dev/null || true
  unlink_com_ports
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# An interrupted script still runs its EXIT trap (and so its clean-up).
trap 'exit 130' INT TERM

# Sets the prefix's display scaling (LogPixels: 96, 120, 144), which Wine
# reads when a program starts. On a busy machine `wine reg` has once failed
# for no reason of ours: it is tried again, and a last failure says what reg
# said. Usage: set_log_pixels DPI
set_log_pixels() {
  local out
  for _ in 1 2 3; do
    if out=$(wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f 2>&1); then
      return 0
    fi
    sleep 1
  done
  echo "LogPixels could not be set to $1: $(printf '%s' "$out" | tr -d '\r')" >&2
  return 1
}
