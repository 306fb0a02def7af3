# shellcheck shell=bash
# Sourced by run-demo.sh and screenshots.sh, after wine-env.sh: Wine's own
# fonts in the prefix, and the demo driver (tools/driver/demo_run.cpp) run
# with a screenshot each time it announces a sight.
#
# wine_fonts_ready
#   Copies Wine's own fonts (Debian's fonts-wine, /usr/share/wine/fonts)
#   into the prefix's Fonts folder when they are not there yet. Wine 8 as
#   Debian ships it looks for them only there, and wineboot does not put
#   them there: without Marlett every caption button shows as a letter
#   ("0 1 r" instead of minimise, maximise, close).
wine_fonts_ready() {
  local from=/usr/share/wine/fonts to="$WINEPREFIX/drive_c/windows/Fonts" font
  [ -d "$from" ] || return 0
  mkdir -p "$to"
  for font in "$from"/*; do
    [ -e "$to/$(basename "$font")" ] || cp "$font" "$to/"
  done
}
#
# drive_shots DIR DRIVER_EXE ARGS...
#   Runs the driver under Wine. For each line "shot NAME RECTS" it prints,
#   the whole screen goes to DIR/NAME.png; when tools/scripts/check-shot.py
#   finds one of the rectangles unpainted, the driver is told "again" (it
#   paints once more and announces the sight again), otherwise "ok". Other
#   lines are passed on. Returns the driver's exit code.
drive_shots() {
  local dir="$1" checker
  shift
  checker="$(dirname "${BASH_SOURCE[0]}")/check-shot.py"
  mkdir -p "$dir"
  local from to pid line name rects file paints=0 status=0
  coproc DEMO_DRIVER { wine "$@"; }
  pid=$DEMO_DRIVER_PID
  # Own copies: bash drops the coprocess's descriptors as soon as it ends,
  # before its last lines have been read.
  exec {from}<&"${DEMO_DRIVER[0]}" {to}>&"${DEMO_DRIVER[1]}"
  while IFS= read -r line <&"$from"; do
    line=${line%$'\r'}
    case "$line" in
      "shot "*)
        read -r _ name rects <<<"$line"
        file="$dir/$name.png"
        paints=$((paints + 1))
        # shellcheck disable=SC2086  # one argument per rectangle
        if import -window root "$file" && python3 "$checker" "$file" $rects 2>"$dir/.check"; then
          [ "$paints" -gt 1 ] && echo "($name: painted on attempt $paints)"
          paints=0
          echo ok >&"$to"
        else
          [ "$paints" -ge 50 ] && cat "$dir/.check" >&2
          echo again >&"$to"
        fi
        ;;
      *) echo "$line" ;;
    esac
  done
  exec {from}<&- {to}>&-
  rm -f "$dir/.check"
  wait "$pid" || status=$?
  return "$status"
}
