#!/usr/bin/env bash
# Exercises the simulated uploader (Up_Loader.exe + UL_Heartbeat.exe) under
# Wine against a virtual serial line, one scenario at a time.
#
#   tools/uploader-sim/test-sim.sh <dir holding Up_Loader.exe and UL_Heartbeat.exe>
#
# Uses $WINEPREFIX if set (it is created when missing; its wineserver is
# stopped at the start and at the end, its com3/com12 links are put back
# afterwards), otherwise a private prefix in a temporary folder. Needs wine,
# socat and, without a DISPLAY, xvfb-run. ULSIM_KEEP=1 keeps the temporary
# folder (it is always kept when a check failed).
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 <dir with Up_Loader.exe and UL_Heartbeat.exe>" >&2
    exit 2
fi
BIN=$(cd "$1" && pwd)
for exe in Up_Loader.exe UL_Heartbeat.exe; do
    if [ ! -f "$BIN/$exe" ]; then
        echo "missing $BIN/$exe" >&2
        exit 2
    fi
done

# Windows need a display; run the whole script under one Xvfb so that the
# Wine desktop process keeps the same display for every case.
if [ -z "${DISPLAY:-}" ]; then
    if [ -n "${ULSIM_XVFB_STARTED:-}" ]; then
        echo "xvfb-run did not provide a DISPLAY" >&2
        exit 2
    fi
    exec env ULSIM_XVFB_STARTED=1 xvfb-run -a bash "$0" "$@"
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/ulsim-test.XXXXXX")
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
SOCAT_PID=""
CAT_PID=""
SAVED_LINKS=() # "link|previous target" of the COM links replaced below
passed=0
failed=0
skipped=0

cleanup() {
    set +e
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && [ "${VZ_WINE_SHARED:-0}" != 1 ]; then
        wineserver -k >/dev/null 2>&1
    fi
    for pid in "$CAT_PID" "$SOCAT_PID"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        fi
    done
    for entry in "${SAVED_LINKS[@]}"; do
        rm -f "${entry%%|*}"
        if [ -n "${entry#*|}" ]; then
            ln -s "${entry#*|}" "${entry%%|*}"
        fi
    done
    if [ "$failed" -eq 0 ] && [ -z "${ULSIM_KEEP:-}" ]; then
        rm -rf "$WORK"
    else
        echo "work folder kept: $WORK" >&2
    fi
}
trap cleanup EXIT

pass() { passed=$((passed + 1)); echo "ok   - $1"; }
fail() { failed=$((failed + 1)); echo "FAIL - $1"; }
skip() { skipped=$((skipped + 1)); echo "skip - $1"; }
check() { # check "description" command...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
now_ms() { date +%s%3N; }

# --- Wine prefix -------------------------------------------------------------
if [ -z "${WINEPREFIX:-}" ]; then
    export WINEPREFIX="$WORK/prefix"
fi
export WINEPREFIX
# A wineserver already running for this prefix may have its desktop on
# another display (or on none); its windows then cannot be created. The
# project's test run shares one prepared server (VZ_WINE_SHARED=1): keep it.
if [ "${VZ_WINE_SHARED:-0}" != 1 ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
fi
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
    echo "# creating Wine prefix $WINEPREFIX"
    wineboot -i >"$WORK/wineboot.log" 2>&1
    # No automatic COM ports: only the links made below exist.
    wine reg add 'HKLM\System\CurrentControlSet\Services\MountMgr' /v Start /t REG_DWORD /d 4 /f \
        >>"$WORK/wineboot.log" 2>&1
fi
wineserver -p >/dev/null 2>&1 || true

# --- Virtual serial line -----------------------------------------------------
# ttyA is the register side the uploader opens (as COM3 and COM12), ttyB the
# far end; everything arriving there is appended to received.bin for the
# whole run, and each case looks at what it added.
socat pty,raw,echo=0,link="$WORK/ttyA" pty,raw,echo=0,link="$WORK/ttyB" 2>"$WORK/socat.log" &
SOCAT_PID=$!
for _ in $(seq 50); do
    [ -e "$WORK/ttyA" ] && [ -e "$WORK/ttyB" ] && break
    sleep 0.1
done
RECEIVED="$WORK/received.bin"
: >"$RECEIVED"
cat "$WORK/ttyB" >>"$RECEIVED" &
CAT_PID=$!
for n in 3 12; do
    link="$WINEPREFIX/dosdevices/com$n"
    previous=""
    if [ -L "$link" ]; then
        previous=$(readlink "$link")
    fi
    SAVED_LINKS+=("$link|$previous")
    rm -f "$link"
    ln -s "$WORK/ttyA" "$link"
done

IMAGE="$WORK/image.bin"
head -c 20480 /dev/urandom >"$IMAGE"
RUN_DIR="$WORK/elsewhere" # current directory the uploader is started from
mkdir -p "$RUN_DIR"

# --- Helpers for one case ------------------------------------------------------
APP=""
RC=0
MARK=0 # size of received.bin before the case

# new_case NAME [key=value ...]: fresh folder with both exes, image, model.ini,
# port.ini (COM3) and the given uploader-sim.ini lines.
new_case() {
    APP="$WORK/$1"
    shift
    mkdir -p "$APP"
    cp "$BIN/Up_Loader.exe" "$BIN/UL_Heartbeat.exe" "$APP/"
    cp "$IMAGE" "$APP/firmware.bin"
    printf 'ECR-SIM 42\r\nsecond line\r\n' >"$APP/model.ini"
    printf '\003' >"$APP/port.ini"
    if [ $# -gt 0 ]; then
        printf '%s\r\n' "$@" >"$APP/uploader-sim.ini"
    fi
}

run_uploader() {
    MARK=$(stat -c %s "$RECEIVED")
    RC=0
    (cd "$RUN_DIR" && wine "$APP/Up_Loader.exe") >>"$WORK/wine.log" 2>&1 || RC=$?
}

# Bytes the far end received since run_uploader started, into $1. Waits
# until the count reaches $2 or stops growing.
received_into() {
    local want=$2 size last=-1 still=0
    for _ in $(seq 100); do
        size=$(($(stat -c %s "$RECEIVED") - MARK))
        if [ "$size" -ge "$want" ] && [ "$size" -eq "$last" ]; then
            still=$((still + 1))
            [ "$still" -ge 2 ] && break
        else
            still=0
        fi
        last=$size
        sleep 0.1
    done
    tail -c +"$((MARK + 1))" "$RECEIVED" >"$1"
}

has() { [ -f "$APP/$1" ]; }
lacks() { [ ! -e "$APP/$1" ]; }
all_present() { local m; for m in "$@"; do has "$m" || return 1; done; }
all_absent() { local m; for m in "$@"; do lacks "$m" || return 1; done; }
log_has() { grep -qF -- "$1" "$APP/uploader-sim.log"; }
log_line() { tr -d '\r' <"$APP/uploader-sim.log" | grep -qxF -- "$1"; }
log_lacks() { ! grep -qF -- "$1" "$APP/uploader-sim.log"; }
no_line_starting() { ! grep -q "^$1" "$APP/uploader-sim.log"; }
start_count() { grep -c '^start ' "$APP/uploader-sim.log" || true; }
size_of() { stat -c %s "$1"; }
is_prefix_of_image() { cmp -s "$1" <(head -c "$(size_of "$1")" "$IMAGE"); }
part_of_image() { # a non-empty, incomplete start of the image
    local n
    n=$(size_of "$1")
    [ "$n" -gt 0 ] && [ "$n" -lt "$(size_of "$IMAGE")" ] && is_prefix_of_image "$1"
}
win_path() { winepath -w "$1" 2>/dev/null; }
# start_field WHO 1|2: the cwd (1) or raw command line (2) logged by the
# first "WHO start" line ("start" for the uploader, "helper start").
start_field() {
    grep "^$1 " "$APP/uploader-sim.log" | head -n 1 | tr -d '\r' |
        sed -n "s/^.* cwd=\(.*\) args=\(.*\)\$/\\$2/p"
}

MARKERS=(erasing.txt erase.txt write.txt writing.txt write_ok.txt)

# --- Cases ---------------------------------------------------------------------
echo "# success"
new_case success
mv "$APP/firmware.bin" "$APP/a_first.BIN"
head -c 4096 /dev/urandom >"$APP/B_second.bin"  # a case-sensitive sort would pick this
head -c 4096 /dev/urandom >"$APP/0notes.binx"   # not an image at all
run_uploader
received_into "$APP/got.bin" 20480
check "success: exit code 0" [ "$RC" -eq 0 ]
check "success: all markers left" all_present "${MARKERS[@]}"
check "success: far end received exactly the image (first *.bin, any case)" cmp -s "$APP/got.bin" "$IMAGE"
check "success: launched once" [ "$(start_count)" -eq 1 ]
check "success: command line is the quoted full path, no arguments" \
    [ "$(start_field start 2)" = "\"$(win_path "$APP/Up_Loader.exe")\"" ]
check "success: logs the inherited current directory" [ "$(start_field start 1)" = "$(win_path "$RUN_DIR")" ]
check "success: logs first line of model.ini" log_line "model ECR-SIM 42"
check "success: only the first line of model.ini" log_lacks "second line"
check "success: logs the transfer" log_line "sent 20480 bytes in 20 blocks"
check "success: logs exit 0" log_line "exit 0"

echo "# two-digit port, image not a whole number of blocks"
new_case com12
printf '\014\003\001junk' >"$APP/port.ini" # only the first byte counts
head -c 5000 /dev/urandom >"$APP/firmware.bin"
run_uploader
received_into "$APP/got.bin" 5000
check "COM12: exit code 0" [ "$RC" -eq 0 ]
check "COM12: opened COM12" log_has "port COM12 opened"
check "COM12: far end received the 5000-byte image" cmp -s "$APP/got.bin" "$APP/firmware.bin"
check "COM12: logs 5 blocks" log_line "sent 5000 bytes in 5 blocks"

stop_case() { # stop_case KEY INDEX_OF_FIRST_MISSING_MARKER EXPECTED_BYTES
    local key=$1 cut=$2 bytes=$3
    echo "# $key"
    new_case "$key" "scenario=$key"
    run_uploader
    received_into "$APP/got.bin" "$bytes"
    check "$key: exit code 0" [ "$RC" -eq 0 ]
    check "$key: ${MARKERS[*]:0:cut} present" all_present "${MARKERS[@]:0:cut}"
    check "$key: ${MARKERS[*]:cut} absent" all_absent "${MARKERS[@]:cut}"
    check "$key: far end received $bytes bytes" [ "$(size_of "$APP/got.bin")" -eq "$bytes" ]
    check "$key: logs the stop" log_has "scenario stop-before ${MARKERS[cut]}"
}
stop_case stop-before-erase 1 0
stop_case stop-before-write 2 0
stop_case stop-before-writing 3 0
stop_case stop-before-write_ok 4 20480

echo "# crash"
new_case crash scenario=crash
run_uploader
received_into "$APP/got.bin" 1
check "crash: exit code non-zero" [ "$RC" -ne 0 ]
check "crash: write_ok.txt absent" lacks write_ok.txt
check "crash: writing had begun" all_present erase.txt write.txt writing.txt
check "crash: far end got the start of the image, not all of it" part_of_image "$APP/got.bin"
check "crash: no orderly exit logged" no_line_starting "exit "

echo "# heartbeat"
new_case heartbeat scenario=heartbeat heartbeats=5 heartbeat_ms=200
run_uploader
check "heartbeat: exit code 0" [ "$RC" -eq 0 ]
check "heartbeat: uploader gone before the helper finished (no write_ok.txt yet)" lacks write_ok.txt
check "heartbeat: erase.txt, write.txt, writing.txt left" all_present erase.txt write.txt writing.txt
received_into "$APP/got.bin" 20480
check "heartbeat: far end received the image" cmp -s "$APP/got.bin" "$IMAGE"
# Play the watcher: collect the uploader's writing.txt, then count every
# writing.txt the helper brings back until write_ok.txt shows up.
rm -f "$APP/writing.txt"
beats=0
deadline=$(($(now_ms) + 20000))
while [ ! -e "$APP/write_ok.txt" ] && [ "$(now_ms)" -lt "$deadline" ]; do
    if rm "$APP/writing.txt" 2>/dev/null; then
        beats=$((beats + 1))
    fi
    sleep 0.05
done
check "heartbeat: write_ok.txt appeared" has write_ok.txt
check "heartbeat: writing.txt came back 5 times (got $beats)" [ "$beats" -eq 5 ]
check "heartbeat: helper command line is its quoted full path" \
    [ "$(start_field "helper start" 2)" = "\"$(win_path "$APP/UL_Heartbeat.exe")\"" ]
for _ in $(seq 50); do log_has "helper exit" && break; sleep 0.1; done
check "heartbeat: helper exited 0" log_line "helper exit 0"

echo "# run_seconds"
# Started in the background: the lifetime is measured from the moment its
# "start" line shows up in the log (it logs that first thing) to its exit,
# and meanwhile the window is looked for on the X display.
new_case linger run_seconds=3 block_pause_ms=0
MARK=$(stat -c %s "$RECEIVED")
(cd "$RUN_DIR" && exec wine "$APP/Up_Loader.exe") >>"$WORK/wine.log" 2>&1 &
uploader_pid=$!
started_at=""
window_seen=no
have_xwininfo=no
command -v xwininfo >/dev/null 2>&1 && have_xwininfo=yes
while kill -0 "$uploader_pid" 2>/dev/null; do
    if [ -z "$started_at" ] && [ -f "$APP/uploader-sim.log" ] && grep -q '^start ' "$APP/uploader-sim.log"; then
        started_at=$(now_ms)
    fi
    if [ "$have_xwininfo" = yes ] && [ "$window_seen" = no ] &&
        xwininfo -root -tree 2>/dev/null | grep -qF '"Up_Loader (simulated)"'; then
        window_seen=yes
    fi
    sleep 0.02
done
RC=0
wait "$uploader_pid" || RC=$?
lived_ms=$(($(now_ms) - ${started_at:-$(now_ms)}))
received_into "$APP/got.bin" 20480
check "run_seconds: exit code 0" [ "$RC" -eq 0 ]
check "run_seconds: lived about 3 s after its start line (${lived_ms} ms)" [ "$lived_ms" -ge 2900 ]
check "run_seconds: still a complete upload" all_present "${MARKERS[@]}"
check "run_seconds: far end received the image" cmp -s "$APP/got.bin" "$IMAGE"
if [ "$have_xwininfo" = yes ]; then
    check "run_seconds: window \"Up_Loader (simulated)\" was shown" [ "$window_seen" = yes ]
else
    skip "run_seconds: window title (xwininfo not installed)"
fi

error_case() { # error_case NAME LOG_TEXT
    received_into "$APP/got.bin" 0
    check "$1: exit code 2" [ "$RC" -eq 2 ]
    check "$1: no marker beyond erasing.txt" all_absent erase.txt write.txt writing.txt write_ok.txt
    check "$1: nothing sent" [ "$(size_of "$APP/got.bin")" -eq 0 ]
    check "$1: logged why" log_has "$2"
    check "$1: logged exit 2" log_line "exit 2"
}

echo "# errors"
new_case no-port-ini
rm "$APP/port.ini"
run_uploader
error_case "missing port.ini" "port.ini missing"

new_case bad-port
printf '\310' >"$APP/port.ini" # COM200: no such port in this prefix
run_uploader
error_case "unopenable COM200" "port COM200 cannot be opened"

new_case no-image
rm "$APP/firmware.bin"
printf 'not an image' >"$APP/firmware.bin.txt"
run_uploader
error_case "no image" "no image"

echo "# serial line"
check "far end (socat) survived every open and close" kill -0 "$SOCAT_PID"

summary="$passed passed, $failed failed"
[ "$skipped" -gt 0 ] && summary="$summary, $skipped skipped"
echo "$summary"
[ "$failed" -eq 0 ]
