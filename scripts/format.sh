#!/usr/bin/env bash
# Formats every C++ file of the tree against .clang-format, or with --check
# lists the files that differ and fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v clang-format >/dev/null || bash scripts/setup.sh
mapfile -t files < <(git ls-files '*.cpp' '*.h')

if [ "${1:-}" = "--check" ]; then
  unformatted=()
  for file in "${files[@]}"; do
    clang-format "$file" | cmp -s - "$file" || unformatted+=("$file")
  done
  [ ${#unformatted[@]} -eq 0 ] && exit 0
  echo "Not formatted (run scripts/format.sh):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
clang-format -i "${files[@]}"
