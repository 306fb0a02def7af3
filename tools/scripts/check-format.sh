#!/usr/bin/env bash
# Fails when a C++ file of the tree is not laid out as .clang-format says.
# The layout was made with Debian's clang-format 14; another version may
# lay some lines out otherwise, so that is the one checked with.
set -euo pipefail
cd "$(dirname "$0")/../.."
version=$(clang-format --version)
case "$version" in
  *"version 14."*) ;;
  *) echo "check-format: $version is not clang-format 14; the layout may differ" >&2 ;;
esac
files=$(git ls-files '*.cpp' '*.h')
if ! clang-format --style=file --dry-run --Werror $files 2>"${TMPDIR:-/tmp}/check-format.log"; then
  grep -E '^[^ ].*(warning|error):' "${TMPDIR:-/tmp}/check-format.log" | cut -d: -f1 | sort -u | sed 's/^/  not laid out: /' >&2
  echo "check-format: run clang-format -i on the files above (.clang-format)" >&2
  exit 1
fi
echo "check-format: $(echo "$files" | wc -w) C++ files laid out as .clang-format says"
