#!/usr/bin/env bash
# Installs what is missing, builds everything, generates the test media and runs every test.
# Ends with CTest's summary; exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# CI fails on a file clang-format would change before spending time on the build.
if [ "${CI:-}" = true ]; then
  bash scripts/check-format.sh
fi
bash scripts/build.sh
cmake --build build --target corpus
cd build
# No display is needed: GUI tests run on the offscreen platform.
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j "$(nproc)" "$@"
