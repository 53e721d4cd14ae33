#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format 14 makes of it with the
# project's .clang-format; prints the files that do.
set -euo pipefail
cd "$(dirname "$0")/.."
fmt=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$fmt" ]; then
  echo "clang-format is not installed" >&2
  exit 1
fi
if ! "$fmt" --version | grep -q "version 14\."; then
  echo "clang-format 14 is needed (found: $("$fmt" --version))" >&2
  exit 1
fi
bad=()
while IFS= read -r -d '' f; do
  "$fmt" --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done < <(git ls-files -z '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted (run: clang-format -i FILE):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "Formatting: every C++ file is clean"
