#!/usr/bin/env bash
# Builds the Debian package of Framix into build/ (framix_<version>_<arch>.deb) with CPack; the
# dependencies are the packages of the libraries the program links (dpkg-shlibdeps) and the
# GStreamer plugin packages it loads at run time. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FRAMIX_BUILD_DIR:-build}
if [ "$build" = build ]; then
  bash scripts/build.sh >&2
fi
(cd "$build" && cpack -G DEB >&2)
ls -1t "$build"/framix_*.deb | head -n 1
