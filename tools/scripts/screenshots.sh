#!/usr/bin/env bash
# Takes the README's screenshots of the window in French and in English,
# under a private Xvfb, into docs/screenshots/.
# Usage: screenshots.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build="$1"
source "$here/wine-env.sh" "$(dirname "$build")/wine-shots"
unset DISPLAY
ensure_display
trap wine_session_end EXIT
wine_prefix_ready desktop
link_com_port 3
link_com_port 12
stage="$(dirname "$build")/screens"
rm -rf "$stage"
"$here/stage-demo.sh" "$build" "$stage"
mkdir -p "$root/docs/screenshots"
for lang in FRANCAISE:fr ENGLISH:en; do
  printf '%s\r\n' "${lang%%:*}" >"$stage/Language.ini"
  wine "$build/tools/winwait/winwait.exe" --launch "$(winepath -w "$stage/Vardolin_VaZuvovev.exe")" >/dev/null
  sleep 1
  shot="$root/docs/screenshots/window-${lang##*:}.png"
  # The desktop around the window is one colour: trim it away.
  import -window root "$stage/full.png"
  convert "$stage/full.png" -fuzz 2% -trim +repage -strip "$shot"
  wineserver -k
  wine_prefix_ready desktop
  echo "$shot"
done
