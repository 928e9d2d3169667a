#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over the given files, or over every .cpp of
# src/, using the compile commands of build/ (bash scripts/build.sh makes them). Advice for a
# developer, not a CI check: exits non-zero only when clang-tidy itself fails to run.
#   bash scripts/tidy.sh [FILE...]
set -euo pipefail
cd "$(dirname "$0")/.."

tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
if [ -z "$tidy" ]; then
  echo "tidy: clang-tidy is not installed (bash scripts/install-deps.sh)" >&2
  exit 2
fi
if [ ! -f build/compile_commands.json ]; then
  echo "tidy: build/compile_commands.json is missing; run bash scripts/build.sh first" >&2
  exit 2
fi
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- 'src/*.cpp')
fi
# Headers are checked through the files that include them (HeaderFilterRegex of .clang-tidy).
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 4 "$tidy" -p build --quiet
