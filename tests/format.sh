#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a C++ file of the tree differs from what .clang-format makes of it.
# Usage: format.sh <source tree> <clang-format>
set -uo pipefail
root=$1
format=${2:-clang-format}
cd "$root" || exit 1
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h' | grep -v '^./build')
bad=$(for f in $files; do
  "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"
done)
if [ -n "$bad" ]; then
  echo "Not formatted as .clang-format says:" >&2
  echo "$bad" >&2
  echo "Fix with: clang-format -i $(tr '\n' ' ' <<<"$bad")" >&2
  exit 1
fi
echo "format: $(wc -w <<<"$files") files as .clang-format says"
