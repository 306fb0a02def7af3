#!/usr/bin/env bash
# Runs a Win32 test program under Wine with serial ports of its own:
# COM3, COM12 and COM25 are pseudo-terminals, COM1 is a plain file (a
# helper holds it open to play a port in use; Wine does not enforce
# exclusive opens on terminals).
# Usage: with-ports.sh PROGRAM [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/scripts/wine-env.sh" "${WINEPREFIX:?run under the test prefix}"
com1=$(mktemp /tmp/vz-com1.XXXXXX)
# What arrives on COM3 is kept, so a test can compare it with the image.
export VZ_COM3_CAPTURE=$(mktemp /tmp/vz-com3-received.XXXXXX)
# One folder reached by three paths: its own, a link beside it, and a
# drive letter of its own (Wine 8 makes neither junctions nor subst drives).
links=$(mktemp -d "$WINEPREFIX/drive_c/vz-links.XXXXXX")
mkdir "$links/real"
ln -s real "$links/link"
ln -sfn "$links/real" "$WINEPREFIX/dosdevices/y:"
export VZ_FOLDER_REAL="C:\\$(basename "$links")\\real" VZ_FOLDER_LINK="C:\\$(basename "$links")\\link" VZ_FOLDER_DRIVE='Y:\'
trap 'unlink_com_ports; rm -f "$com1" "$VZ_COM3_CAPTURE" "$WINEPREFIX/dosdevices/y:"; rm -rf "$links"' EXIT
link_com_port 3 "$VZ_COM3_CAPTURE"
for n in 12 25; do link_com_port $n; done
ln -sfn "$com1" "$WINEPREFIX/dosdevices/com1"
wine "$@"
