#!/usr/bin/env bash
# Formats every C++ file of the tree against .clang-format, or with --check
# lists the files that differ and fails. One clang-format version on every Debian release:
# each formats a little differently.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=clang-format-19
command -v "$format" >/dev/null || bash scripts/setup.sh
mapfile -t files < <(git ls-files '*.cpp' '*.h')

if [ "${1:-}" = "--check" ]; then
  unformatted=()
  for file in "${files[@]}"; do
    "$format" "$file" | cmp -s - "$file" || unformatted+=("$file")
  done
  [ ${#unformatted[@]} -eq 0 ] && exit 0
  echo "Not formatted (run scripts/format.sh):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
"$format" -i "${files[@]}"
