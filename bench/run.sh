#!/usr/bin/env bash
# The benchmarks: prints every figure beside its floor and target, and
# writes bench/RESULTS.md. Figures, not verdicts: a missed target never
# makes this fail; only a benchmark that could not run at all does.
# Usage: bench/run.sh BUILD_DIR   (after `make windows native`)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(realpath -m "${1:-$root/build}")
win="$build/windows"
started=$(date +%s)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

for f in Vardolin_VaZuvovev.exe tools/winwait/winwait.exe bench/bench_floor.exe \
         bench/bench_floor_gif.exe bench/bench_core.exe bench/bench_runs.exe; do
  [ -f "$win/$f" ] || { echo "missing $win/$f: run make windows first" >&2; exit 1; }
done

source "$root/tools/scripts/wine-env.sh" "$build/wine-bench"
work=$(mktemp -d /tmp/vz-bench.XXXXXX)
results="$work/results.tsv"
: >"$results"
cleanup() {
  wineserver -k 2>/dev/null || true
  # The port links point into folders of their own under /tmp.
  local dirs=() link
  for link in "$WINEPREFIX"/dosdevices/com*; do
    if [ -L "$link" ]; then dirs+=("$(dirname "$(readlink "$link")")"); fi
  done
  unlink_com_ports
  for d in "${dirs[@]:-}"; do case "$d" in /tmp/vz-com*) rm -rf "$d" ;; esac; done
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Z: is the root of the Unix file system in every Wine prefix.
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
# One figure: name, measured, reference, ratio, target, verdict, note.
result() { local IFS=$'\t'; echo "RESULT	$*" >>"$results"; }
# Runs a Windows program, keeps its RESULT lines, shows the rest.
collect() {
  local status=0
  wine "$@" 2>>"$work/wine.err" | tr -d '\r' >"$work/out.txt" || status=$?
  grep '^RESULT' "$work/out.txt" >>"$results" || true
  grep -v '^RESULT' "$work/out.txt" | sed 's/^/  /' || true
  return $status
}

echo "== preparing Wine (prefix $WINEPREFIX)"
ensure_display
wine_prefix_ready desktop
hold_desktop "$win"
link_com_port 3
link_com_port 12

# ---- 1 and 2: start-up, memory, size ---------------------------------------
stage="$work/stage"
mkdir -p "$stage"
cp "$win/Vardolin_VaZuvovev.exe" "$win/bench/bench_floor.exe" "$win/bench/bench_floor_gif.exe" "$stage/"
cp "$root"/data/*.txt "$root"/data/*.gif "$stage/"
winwait="$win/tools/winwait/winwait.exe"
declare -A exe=([program]=Vardolin_VaZuvovev.exe [floor]=bench_floor.exe [floor-gif]=bench_floor_gif.exe)
declare -A cls=([program]=VardolinMainWindow [floor]=VzBenchFloor [floor-gif]=VzBenchFloor)
launch() {  # KIND ROUND [--memory]: one launch, window shown, closed
  local out ms kib file=startup
  [ -n "${3:-}" ] && file=memory
  out=$(wine "$winwait" --launch "$(winpath "$stage/${exe[$1]}")" --class "${cls[$1]}" \
          ${3:-} --close 2>>"$work/winwait.err" | tr -d '\r') || true
  ms=$(sed -n 1p <<<"$out") kib=$(sed -n 2p <<<"$out")
  if [ -z "$ms" ]; then echo "  $1: no window (see below)"; return 0; fi
  [ "$2" -gt 0 ] && echo "$2 $1 $ms ${kib:--}" >>"$work/$file.txt"
  return 0
}
kinds=(program floor floor-gif)
rounds=30
echo "== start-up: program / empty floor / GIF floor, $rounds rounds (COM3 and COM12 linked)"
# Two rounds not counted: the file cache, Language.ini, the server's start.
for _ in 1 2; do for kind in "${kinds[@]}"; do launch $kind 0; done; done
for round in $(seq $rounds); do
  for k in 0 1 2; do launch "${kinds[$(((round + k) % 3))]}" $round; done
done
echo "== peak working set: 5 rounds, read 500 ms after the window shows"
for round in $(seq 5); do
  for k in 0 1 2; do launch "${kinds[$(((round + k) % 3))]}" $round --memory; done
done
[ -s "$work/winwait.err" ] && sed 's/^/  winwait: /' "$work/winwait.err" | tr -d '\r'
python3 "$here/startup_stats.py" "$work/startup.txt" "$work/memory.txt" >>"$results"
prog="$win/Vardolin_VaZuvovev.exe"
size=$(stat -c %s "$prog")
dlls=$(x86_64-w64-mingw32-objdump -p "$prog" | awk '/DLL Name/ {print $3}' | sort -u | paste -sd' ')
stripped=no
x86_64-w64-mingw32-objdump -t "$prog" 2>/dev/null | grep -q 'no symbols' && stripped=yes
static=yes
grep -qiE 'libstdc|libgcc|libwinpthread' <<<"$dlls" && static=no
result "size of Vardolin_VaZuvovev.exe" "$(awk -v s="$size" 'BEGIN{printf "%.0f KiB", s/1024}')" "-" "-" \
  "< 1 MiB, static, stripped" \
  "$([ "$size" -lt 1048576 ] && [ $stripped = yes ] && [ $static = yes ] && echo met || echo missed)" \
  "$size bytes; stripped: $stripped; imports only system DLLs: $static ($dlls)"

# ---- 3, 4, 5: tick, log, process lookup, message file, image hash ---------
echo "== tick, log, process lookup, message file, image hash (Wine)"
collect "$win/bench/bench_core.exe" "$(winpath "$root/data")"
echo "== message file parser (native, g++ -O2)"
mkdir -p "$build/bench-native"
g++ -O2 -std=c++17 -I"$root/src" -I"$root/tools" -I"$here" -I"$build/native/generated" "$here/parse_native.cpp" \
  "$root/src/messages/message_table.cpp" -o "$build/bench-native/parse_native"
"$build/bench-native/parse_native" "$root/data" | tee "$work/out.txt" | grep -v '^RESULT' | sed 's/^/  /'
grep '^RESULT' "$work/out.txt" >>"$results"

# ---- 6: timing of whole runs ------------------------------------------------
echo "== whole runs with the simulated uploader on COM3 (about a minute)"
rm -rf "$win/bench/template"
bash "$root/tools/scripts/stage-demo.sh" "$win" "$win/bench/template"
collect "$win/bench/bench_runs.exe" 3

# ---- report ------------------------------------------------------------------
elapsed=$(( $(date +%s) - started ))
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
wine_version=$(wine --version 2>/dev/null)

{
  echo "# Benchmark results"
  echo
  echo "Written by \`bench/run.sh\` (\`make bench\`); figures, not verdicts."
  echo
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- Machine: $(nproc) cores, $cpu"
  echo "- Wine: $wine_version, private prefix, virtual desktop under Xvfb"
  echo "- Whole benchmark run: ${elapsed} s; load average (1, 5, 15 min) before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "  (other work shares this machine's cores; every figure is measured beside its floor in the same run)"
  echo
  echo "| Figure | Measured | Floor / reference | Ratio | Target | Verdict | Note |"
  echo "|---|---|---|---|---|---|---|"
  while IFS=$'\t' read -r _ name measured ref ratio target verdict note; do
    echo "| $name | $measured | $ref | $ratio | $target | $verdict | $note |"
  done <"$results"
  echo
  echo "How each figure is taken: see \`bench/README.md\`."
} >"$here/RESULTS.md"

echo
echo "== figures (also in bench/RESULTS.md)"
cut -f2-7 "$results" | column -t -s $'\t'
echo "whole benchmark run: ${elapsed} s"
