#!/usr/bin/env bash
# Stages the demonstration folder: the program with what ships beside it
# (data/shipped.txt: message files, flags, the guides), a sample model.ini
# and firmware image with its checksum file, and the simulated uploader.
# Usage: stage-demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$1" demo="$2"
mkdir -p "$demo"
cp "$build/Vardolin_VaZuvovev.exe" "$demo/"
# What ships beside the program, as the release carries it.
while read -r name; do
  case "$name" in '' | '#'*) continue ;; esac
  cp "$root/data/$name" "$demo/"
done <"$root/data/shipped.txt"
cp "$root/tools/demo/model.ini" "$demo/"
[ -f "$demo/firmware.bin" ] || python3 "$root/tools/demo/make_sample_bin.py" "$demo/firmware.bin"
# Its checksum, published beside it as a site would.
(cd "$demo" && sha256sum firmware.bin >firmware.bin.sha256)
for exe in Up_Loader.exe UL_Heartbeat.exe; do
  if [ -f "$build/tools/uploader-sim/$exe" ]; then cp "$build/tools/uploader-sim/$exe" "$demo/"; fi
done
