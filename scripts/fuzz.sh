#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) into build-fuzz/ and runs one.
#   scripts/fuzz.sh                 list the targets
#   scripts/fuzz.sh NAME [SECONDS]  run fuzz/NAME.cpp for SECONDS (default 60)
#   scripts/fuzz.sh NAME runs=N     run it for N executions
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD"
if [ ! -f build-fuzz/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFRAMIX_FUZZ=ON -DFRAMIX_TESTS=OFF >/dev/null
fi
if [ $# -eq 0 ]; then
  ls fuzz/*_*.cpp | grep -v standalone_driver | xargs -r -n1 basename | sed "s/\.cpp$//"
  exit 0
fi
name=$1; budget=${2:-60}
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# GLib and GStreamer are built without frame pointers: only the slow unwinder gives the whole
# allocation stacks that the suppressions match.
# GLib interns every structure and field name it parses for the life of the process and keeps each
# outgrown quark array, so the caps target grows to about 3 GB over ten million random caps: give
# it room beyond libFuzzer's 2 GB.
extra=()
case "$name" in
  media_caps)
    export ASAN_OPTIONS="fast_unwind_on_malloc=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
    extra=(-rss_limit_mb=8192 -malloc_limit_mb=2048) ;;
  script_engine)
    # The interpreter allocates a value per expression: ASan's recording of every allocation
    # stack and its filling of new blocks halved the rate. Short stacks still name the culprit.
    export ASAN_OPTIONS="malloc_context_size=2:max_malloc_fill_size=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}" ;;
esac
cmake --build build-fuzz --target "$name" -j "$(nproc)"
corpus="build-fuzz/corpus-$name"; mkdir -p "$corpus"
seeds="fuzz/seeds/$name"
args=(-max_len=65536 -timeout=10 "${extra[@]}")
case "$budget" in
  runs=*) args+=(-runs="${budget#runs=}") ;;
  *) args+=(-max_total_time="$budget") ;;
esac
[ -d "$seeds" ] && set -- "$corpus" "$seeds" || set -- "$corpus"
exec "build-fuzz/fuzz/$name" "${args[@]}" "$@"
