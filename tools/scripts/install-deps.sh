#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need, when
# any is missing. Safe to run again: it does nothing when all are there.
# fonts-wine brings Wine's own fonts: without Marlett the caption buttons
# of every window are drawn as the letters "0 1 r".
set -euo pipefail
packages=(
  cmake g++ make python3 python3-pil googletest libutfcpp-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb xauth socat xdotool imagemagick
  clang libclang-rt-14-dev clang-tidy clang-format cppcheck
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
