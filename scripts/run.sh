#!/usr/bin/env bash
# Installs what is missing, builds Framix, generates the sample video and runs Framix on it.
# Without a display, Framix runs headless and prints what it did.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cmake --build build --target corpus
sample="$PWD/build/corpus/sample_pal_date.dv"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec build/framix -platform offscreen "/o=$sample" /quit "$@"
fi
exec build/framix "/o=$sample" "$@"
