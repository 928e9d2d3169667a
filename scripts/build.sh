#!/usr/bin/env bash
# Configures and builds Framix into build/ (extra CMake options may be passed).
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD"
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
elif [ $# -gt 0 ]; then
  cmake -S . -B build "$@"
fi
# A header added by a merge is not always seen by AUTOMOC in an existing tree: make it rescan.
rm -f build/src/*/framix_*_autogen/timestamp build/src/media/gst/framix_*_autogen/timestamp build/tests/*_autogen/timestamp
cmake --build build -j "$(nproc)"
