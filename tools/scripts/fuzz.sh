#!/usr/bin/env bash
# Fuzzes the message-file loader, the port-text parser and the checksum-file
# reader with libFuzzer (clang, AddressSanitizer, UndefinedBehaviorSanitizer).
#
#   tools/scripts/fuzz.sh [SECONDS]    # default 60 per target; 0: replay only
#
# Builds the harnesses of tests/fuzz/ into build/fuzz/, replays every input
# of tests/fuzz/corpus/<target>/ and every input kept in
# tests/fuzz/regressions/<target>/ (the same result every time: this is what
# `make test` runs), then, unless SECONDS is 0, fuzzes every target side by
# side for SECONDS each, starting from a scratch copy of
# tests/fuzz/corpus/<target>/ (the repository's corpus never grows). A crash,
# leak, time-out or memory blow-up is copied into
# tests/fuzz/regressions/<target>/ and the script ends non-zero.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"

duration="${1:-60}"
if ! [[ "$duration" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi

tools/scripts/install-deps.sh

CXX="${FUZZ_CXX:-clang++}"
OUT="$ROOT/build/fuzz"
mkdir -p "$OUT"

# target name -> the sources it needs besides its harness
declare -A sources=(
  [message_file]="src/messages/message_table.cpp src/platform/text_decoding.cpp"
  [port_text]="src/port/port_choice.cpp src/log/event_log.cpp src/platform/system.cpp src/platform/text_case.cpp"
  [checksum_file]="src/upgrade/checksum_file.cpp src/platform/text_decoding.cpp"
)
targets=(message_file port_text checksum_file)
flags=(-std=c++17 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -Werror
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Isrc -Itools
       -I"$OUT/generated" -I/usr/include/utf8cpp)
# The message table's key list, written from the message files' source.
mkdir -p "$OUT/generated"
python3 tools/art/write_messages.py --header "$OUT/generated/builtin_messages.inc"
# The same limits for the replay and the run.
run_flags=(-timeout=10 -rss_limit_mb=2048)
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# ---- build (all at once) ---------------------------------------------------
pids=()
for t in "${targets[@]}"; do
  # shellcheck disable=SC2086  # the source list is meant to split
  "$CXX" "${flags[@]}" "tests/fuzz/${t}_fuzz.cpp" ${sources[$t]} \
    -o "$OUT/$t" >"$OUT/$t.build.log" 2>&1 &
  pids+=($!)
done
for i in "${!targets[@]}"; do
  if ! wait "${pids[$i]}"; then
    cat "$OUT/${targets[$i]}.build.log" >&2
    echo "fuzz ${targets[$i]}: build failed" >&2
    exit 1
  fi
done

# ---- replay the corpus and the kept inputs ----------------------------------
failed=0
for t in "${targets[@]}"; do
  kept=()
  for f in "tests/fuzz/corpus/$t"/* "tests/fuzz/regressions/$t"/*; do
    [ -f "$f" ] || continue
    case "$(basename "$f")" in README.txt|.gitkeep) continue ;; esac
    kept+=("$f")
  done
  if [ ${#kept[@]} -eq 0 ]; then
    echo "fuzz $t: nothing to replay"
    continue
  fi
  if "$OUT/$t" "${run_flags[@]}" "${kept[@]}" >"$OUT/$t.replay.log" 2>&1; then
    echo "fuzz $t: ${#kept[@]} corpus and kept input(s) pass"
  else
    tail -n 40 "$OUT/$t.replay.log" >&2
    echo "fuzz $t: a corpus or kept input fails (log: $OUT/$t.replay.log)" >&2
    failed=1
  fi
done
[ "$failed" -eq 0 ] || exit 1
[ "$duration" -gt 0 ] || exit 0

# ---- fuzz (all at once) -------------------------------------
pids=()
for t in "${targets[@]}"; do
  work="$OUT/work/$t"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp "tests/fuzz/corpus/$t"/* "$work/corpus/"
  dict=()
  if [ -f "tests/fuzz/$t.dict" ]; then
    # The message file's pieces, and each key with its "=" from the key list.
    cp "tests/fuzz/$t.dict" "$work/$t.dict"
    if [ "$t" = message_file ]; then
      sed -n 's/.*X([A-Za-z0-9]*, L"\([A-Z0-9_]*\)").*/key_\1="\1="/p' \
        "$OUT/generated/message_keys.h" >>"$work/$t.dict"
    fi
    dict=("-dict=$work/$t.dict")
  fi
  "$OUT/$t" "${run_flags[@]}" "${dict[@]}" \
    -max_total_time="$duration" -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" \
    >"$OUT/$t.fuzz.log" 2>&1 &
  pids+=($!)
done

for i in "${!targets[@]}"; do
  t="${targets[$i]}"
  work="$OUT/work/$t"
  log="$OUT/$t.fuzz.log"
  rc=0
  wait "${pids[$i]}" || rc=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  secs="$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)"
  [ -n "$secs" ] || secs="$(sed -n 's/^stat::[a-z_]*time[a-z_]*: *//p' "$log" | tail -n 1)"
  found=()
  for a in "$work/artifacts"/*; do
    [ -f "$a" ] && found+=("$a")
  done
  if [ "$rc" -ne 0 ] || [ ${#found[@]} -gt 0 ]; then
    mkdir -p "tests/fuzz/regressions/$t"
    for a in "${found[@]}"; do
      cp "$a" "tests/fuzz/regressions/$t/"
      echo "fuzz $t: kept $(basename "$a") in tests/fuzz/regressions/$t/" >&2
    done
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -n 5 >&2 || true
    echo "fuzz $t: FAILED after ${runs:-?} runs (exit $rc, log: $log)" >&2
    failed=1
  else
    echo "fuzz $t: ${runs:-?} runs in ${secs:-$duration} s, no failure" \
         "(corpus $(find "$work/corpus" -type f | wc -l) inputs)"
  fi
done
exit "$failed"
