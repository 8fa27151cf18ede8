#!/usr/bin/env bash
# Checks that every C++ file of the tree is laid out as .clang-format says: runs
# `clang-format --dry-run --Werror` over the C++ files under src include apps sitebus tests bench
# fuzz tools examples, and fails naming each file that differs, with the first differences.
#   bash scripts/check_format.sh        the tree this script is in
#   bash scripts/check_format.sh DIR    another copy of the tree (formatted by its own .clang-format)
# scripts/test.sh (what CI runs) runs it first. Fix a file with `clang-format -i FILE`, or only the
# lines of a change with `git clang-format`.
set -euo pipefail
ROOT=${1:-$(cd "$(dirname "$0")/.." && pwd)}
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
if ! command -v "$CLANG_FORMAT" >/dev/null; then
  echo "check_format.sh: $CLANG_FORMAT is not installed (bash scripts/bootstrap.sh installs it)" >&2
  exit 2
fi
if [ ! -f "$ROOT/.clang-format" ]; then
  echo "check_format.sh: $ROOT holds no .clang-format" >&2
  exit 2
fi
cd "$ROOT"

dirs=()
for d in src include apps sitebus tests bench fuzz tools examples; do
  [ -d "$d" ] && dirs+=("$d")
done
mapfile -d '' files < <(find "${dirs[@]}" -type f \
  \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' -o -name '*.cxx' \) -print0 | sort -z)
if [ ${#files[@]} -eq 0 ]; then
  echo "check_format.sh: no C++ file found under $ROOT" >&2
  exit 2
fi

# One clang-format per file, as many at once as there are cores; each prints its file if it differs.
mapfile -t differ < <(printf '%s\0' "${files[@]}" | xargs -0 -n 1 -P "$(nproc)" sh -c \
  '"$0" --style=file --dry-run --Werror "$1" >/dev/null 2>&1 || printf "%s\n" "$1"' "$CLANG_FORMAT" | sort)

if [ ${#differ[@]} -eq 0 ]; then
  echo "format: all ${#files[@]} C++ files as .clang-format says"
  exit 0
fi
echo "format: ${#differ[@]} of ${#files[@]} C++ files differ from .clang-format:"
for f in "${differ[@]}"; do
  places=$("$CLANG_FORMAT" --style=file --dry-run "$f" 2>&1 | grep -c 'warning:' || true)
  echo "  $f ($places places)"
done
echo "The first differences:"
for f in "${differ[@]:0:3}"; do
  # head may close the pipe before clang-format has written everything: that is not a failure.
  "$CLANG_FORMAT" --style=file --dry-run "$f" 2>&1 | head -n 12 || true
done
echo "Fix with: clang-format -i FILE (or git clang-format for the lines of a change)"
exit 1
