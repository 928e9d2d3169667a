#!/usr/bin/env bash
# Runs named benchmarks several times and prints medians, and ratios against a reference
# command timed in the same invocation.
#
#   bench/run.sh [-n RUNS] [NAME...]     (default: every built benchmark but long_files, 5 runs)
#
# A benchmark is build/bench/NAME (from bench/NAME.cpp). It may print lines
#   METRIC <name> <value> <unit>
# whose medians over the runs are reported. Its reference is the shell command in
# bench/NAME.ref (default: ffmpeg decoding the sample DV clip); the wall times of the
# benchmark and of its reference are reported with their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5
if [ "${1:-}" = "-n" ]; then runs=$2; shift 2; fi
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  # long_files writes some 20 GB of looped video: it runs when named only.
  for f in build/bench/*; do [ -x "$f" ] && [ "$(basename "$f")" != long_files ] && names+=("$(basename "$f")"); done
fi
[ ${#names[@]} -gt 0 ] || { echo "no benchmark built (bash scripts/build.sh)"; exit 0; }
export CORPUS="$PWD/build/corpus" QT_QPA_PLATFORM=offscreen
default_ref='ffmpeg -v error -i "$CORPUS/sample_pal_date.dv" -f null -'

median() { sort -g | awk '{a[NR]=$1} END {if (NR==0) print "nan"; else if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }

printf '%-28s %-34s %14s %s\n' benchmark metric median unit
for name in "${names[@]}"; do
  bin=build/bench/$name
  [ -x "$bin" ] || { echo "$name: not built"; continue; }
  ref=$default_ref
  [ -f "bench/$name.ref" ] && ref=$(cat "bench/$name.ref")
  tmp=$(mktemp -d)
  for ((i = 0; i < runs; i++)); do
    t0=$(now); "$bin" >"$tmp/out.$i" 2>&1 || { echo "$name failed:"; cat "$tmp/out.$i"; break; }
    t1=$(now); bash -c "$ref" >/dev/null 2>&1 || true; t2=$(now)
    echo "$t1 - $t0" | bc -l >>"$tmp/wall"
    echo "$t2 - $t1" | bc -l >>"$tmp/ref"
  done
  cat "$tmp"/out.* 2>/dev/null | awk '$1=="METRIC"{print $2, $4}' | sort -u -k1,1 | while read -r metric unit; do
    value=$(cat "$tmp"/out.* | awk -v m="$metric" '$1=="METRIC" && $2==m {print $3}' | median)
    printf '%-28s %-34s %14s %s\n' "$name" "$metric" "$value" "$unit"
  done
  w=$(median <"$tmp/wall"); r=$(median <"$tmp/ref")
  printf '%-28s %-34s %14.3f %s\n' "$name" "wall time" "$w" s
  printf '%-28s %-34s %14.3f %s\n' "$name" "reference wall time" "$r" s
  printf '%-28s %-34s %14.2f %s\n' "$name" "ratio to reference" "$(echo "$w / $r" | bc -l)" "x"
  rm -rf "$tmp"
done
