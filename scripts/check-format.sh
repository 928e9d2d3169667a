#!/usr/bin/env bash
# Fails when clang-format (14, with the repository's .clang-format) would change a tracked C++
# file of src/ tests/ bench/ fuzz/: prints each such file and the head of its difference.
#   bash scripts/check-format.sh        check (CI runs this)
#   bash scripts/check-format.sh -i     format the offending files in place instead
set -euo pipefail
cd "$(dirname "$0")/.."

fix=false
if [ "${1:-}" = "-i" ]; then fix=true; fi

cf=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$cf" ]; then
  echo "check-format: clang-format is not installed (bash scripts/install-deps.sh)" >&2
  exit 2
fi
# Another major version formats some constructs differently: the check would not be the CI's.
major=$("$cf" --version | sed -n 's/.*version \([0-9]*\).*/\1/p')
if [ "$major" != 14 ]; then
  echo "check-format: $cf is version $major; the repository is formatted with clang-format 14" >&2
fi

mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
                                      'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
bad=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue # deleted in the work tree, not yet in the index
  if ! "$cf" --style=file "$f" | cmp -s - "$f"; then
    bad+=("$f")
  fi
done

if [ ${#bad[@]} -eq 0 ]; then
  echo "check-format: ${#files[@]} files formatted"
  exit 0
fi
if $fix; then
  "$cf" --style=file -i "${bad[@]}"
  printf 'check-format: formatted %s\n' "${bad[@]}"
  exit 0
fi
echo "check-format: ${#bad[@]} of ${#files[@]} files differ from clang-format:" >&2
for f in "${bad[@]}"; do
  "$cf" --style=file "$f" | diff -u "$f" - --label "$f" --label "$f (clang-format)" | head -n 20 >&2 || true
done
echo "check-format: run 'bash scripts/check-format.sh -i' to format them" >&2
exit 1
