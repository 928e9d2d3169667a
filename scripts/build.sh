#!/usr/bin/env bash
# Configures and builds Framix into build/ (extra CMake options may be passed).
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD"
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)
args=("$@")
# CI treats a warning in our own targets as an error, also in a build/ configured without it.
if [ "${CI:-}" = true ] && ! grep -qs '^FRAMIX_WERROR:BOOL=ON$' build/CMakeCache.txt; then
  args+=(-DFRAMIX_WERROR=ON)
fi
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}"
elif [ ${#args[@]} -gt 0 ]; then
  cmake -S . -B build "${args[@]}"
fi
# A header added by a merge is not always seen by AUTOMOC in an existing tree: make it rescan.
rm -f build/src/*/framix_*_autogen/timestamp build/src/media/gst/framix_*_autogen/timestamp build/tests/*_autogen/timestamp
cmake --build build -j "$(nproc)"
