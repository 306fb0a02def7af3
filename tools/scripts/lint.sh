#!/usr/bin/env bash
# Static analysis of src/: clang-tidy (checks in .clang-tidy) and cppcheck
# (suppressions in cppcheck-suppressions.txt). Ends non-zero on any finding.
#
#   tools/scripts/lint.sh
#
# clang-tidy reads the portable sources natively through the compile
# commands of a host configuration in build/lint/, and the Win32 sources
# listed below as a MinGW-w64 target against the MinGW headers. cppcheck
# reads every source of src/ twice: as a Linux build, and as the 64-bit
# Windows build with its windows library standing in for <windows.h>.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
start=$SECONDS

tools/scripts/install-deps.sh
tidy="$(command -v clang-tidy-14 || command -v clang-tidy || true)"
if [ -z "$tidy" ] || ! command -v cppcheck >/dev/null; then
  echo "Installing: clang-tidy cppcheck"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
    --no-install-recommends clang-tidy cppcheck >/dev/null
  tidy="$(command -v clang-tidy-14 || command -v clang-tidy)"
fi

OUT="$ROOT/build/lint"
jobs="$(nproc)"
failed=0

# The Win32 sources clang-tidy reads as a MinGW-w64 target (the others are
# left to cppcheck); defines as in cmake/windows.cmake.
win32_tidy_files=(src/platform/win32_system.cpp src/platform/win32_newer_api.cpp
                  src/platform/win32_instance.cpp src/app/main_win32.cpp
                  src/ui/win32_window.cpp src/ui/run_view.cpp src/ui/window_controls.cpp
                  src/ui/control_texts.cpp
                  src/ui/combo_lists.cpp src/ui/progress_bar.cpp src/ui/window_pictures.cpp
                  src/ui/message_boxes.cpp src/ui/device_broadcasts.cpp
                  src/ui/background_job.cpp src/ui/focus.cpp src/ui/window_timers.cpp
                  src/ui/picture.cpp)
win32_defines=(-DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 -DWINVER=0x0601)

# ---- clang-tidy, portable sources -------------------------------------------
mkdir -p "$OUT"
cmake -S . -B "$OUT" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ >"$OUT/configure.log" 2>&1 &&
  # The sources include the built-in texts, which the build writes.
  cmake --build "$OUT" --target vz_builtin_messages >>"$OUT/configure.log" 2>&1 || {
  cat "$OUT/configure.log" >&2
  exit 1
}
mapfile -t portable < <(python3 - "$OUT/compile_commands.json" "$ROOT/src/" <<'EOF'
import json, sys
for entry in json.load(open(sys.argv[1])):
    if entry["file"].startswith(sys.argv[2]):
        print(entry["file"])
EOF
)
if [ ${#portable[@]} -eq 0 ]; then
  echo "lint: no source of src/ in $OUT/compile_commands.json" >&2
  exit 1
fi

tidy_log="$OUT/clang-tidy.log"
: >"$tidy_log"
tidy_rc=0
printf '%s\n' "${portable[@]}" |
  xargs -P "$jobs" -n 1 "$tidy" --quiet -p "$OUT" >>"$tidy_log" 2>&1 || tidy_rc=$?

# ---- clang-tidy, the fuzz harnesses -------------------------------------------
mapfile -t harnesses < <(find tests/fuzz -name '*.cpp' | sort)
if [ ${#harnesses[@]} -gt 0 ]; then
  printf '%s\n' "${harnesses[@]}" |
    xargs -P "$jobs" -I{} "$tidy" --quiet {} -- -std=c++17 -Wall -Wextra -Isrc -Itools -I"$OUT/generated" \
      >>"$tidy_log" 2>&1 || tidy_rc=$?
fi

# ---- clang-tidy, Win32 sources as MinGW-w64 ----------------------------------
mingw_note="Win32 sources skipped (no x86_64-w64-mingw32-g++-posix)"
if command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  gcc_inc="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")/include"
  win_flags=(-std=c++17 -Wall -Wextra -Isrc -I"$OUT/generated" --target=x86_64-w64-mingw32
             -nostdinc++ -isystem "$gcc_inc/c++"
             -isystem "$gcc_inc/c++/x86_64-w64-mingw32"
             -isystem "$gcc_inc/c++/backward" "${win32_defines[@]}")
  printf '%s\n' "${win32_tidy_files[@]}" |
    xargs -P "$jobs" -I{} "$tidy" --quiet {} -- "${win_flags[@]}" \
      >>"$tidy_log" 2>&1 || tidy_rc=$?
  mingw_note="${#win32_tidy_files[@]} Win32 sources as MinGW-w64"
fi
if [ "$tidy_rc" -ne 0 ] || grep -qE '(warning|error):' "$tidy_log"; then
  grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$tidy_log" >&2 || true
  echo "lint: clang-tidy FAILED (log: $tidy_log)" >&2
  failed=1
else
  echo "lint: clang-tidy clean (${#portable[@]} portable sources," \
       "${#harnesses[@]} fuzz harnesses, $mingw_note)"
fi

# ---- cppcheck ----------------------------------------------------------------
cpp_common=(--enable=warning,style,performance,portability --inline-suppr
            --error-exitcode=1 --std=c++17 --language=c++ -I src -I tools -I "$OUT/generated" -q
            --suppressions-list=cppcheck-suppressions.txt
            --template='{file}:{line}:{column}: {severity}: {message} [{id}]'
            -j "$jobs")
mapfile -t all_sources < <(find src -name '*.cpp' | sort)
mapfile -t portable_rel < <(printf '%s\n' "${all_sources[@]}" | grep -v '/win32_\|/main_win32\.cpp$')
cpp_ok=1
cppcheck "${cpp_common[@]}" --platform=unix64 "${portable_rel[@]}" "${harnesses[@]}" || cpp_ok=0
cppcheck "${cpp_common[@]}" --platform=win64 --library=windows \
  -D_WIN32 -DWIN32 -D_WIN64 "${win32_defines[@]}" "${all_sources[@]}" || cpp_ok=0
if [ "$cpp_ok" -eq 1 ]; then
  echo "lint: cppcheck clean (${#portable_rel[@]} sources and" \
       "${#harnesses[@]} fuzz harnesses as Linux, ${#all_sources[@]} sources as Windows)"
else
  echo "lint: cppcheck FAILED" >&2
  failed=1
fi

echo "lint: $((SECONDS - start)) s"
exit "$failed"
