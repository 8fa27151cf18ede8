#!/usr/bin/env bash
# scripts/check_format.sh on a scratch tree with the project's .clang-format: it passes a tree whose
# C++ files are formatted (and ignores folders it does not check, such as a build folder), and
# fails on one badly formatted file, naming it even with a space in its name.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
if ! command -v clang-format >/dev/null; then
  echo "SKIPPED: clang-format is not installed (scripts/bootstrap.sh installs it)"
  exit 77
fi
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
cp "$ROOT/.clang-format" "$tree/"
mkdir -p "$tree/src/base" "$tree/include/statusobject" "$tree/build/src"
printf 'namespace so {\nint twice(int x) { return 2 * x; }\n}  // namespace so\n' > "$tree/src/base/Good.cpp"
printf '#pragma once\n\nnamespace so {\nstruct Point {\n    int x = 0;\n};\n}  // namespace so\n' \
  > "$tree/include/statusobject/Good.h"
printf 'int   outside( int x ){return x;}\n' > "$tree/build/src/Generated.cpp"
failed=0
fail() { echo "FAILED: $*"; failed=1; }

out=$(bash "$ROOT/scripts/check_format.sh" "$tree" 2>&1)
[ $? -eq 0 ] || fail "a formatted tree was refused: $out"
grep -q "all 2 C++ files" <<<"$out" || fail "the formatted tree's files were not all checked, or a build folder was: $out"

printf 'namespace so {\nint   thrice( int x ){return 3*x;}\n}\n' > "$tree/src/base/Bad Layout.cpp"
out=$(bash "$ROOT/scripts/check_format.sh" "$tree" 2>&1)
[ $? -eq 1 ] || fail "a badly formatted file passed: $out"
grep -q "1 of 3 C++ files differ" <<<"$out" || fail "the count of differing files is wrong: $out"
grep -q "src/base/Bad Layout.cpp" <<<"$out" || fail "the differing file is not named: $out"

[ $failed -eq 0 ] && echo "check_format.sh passes a formatted tree and names a badly formatted file"
exit $failed
