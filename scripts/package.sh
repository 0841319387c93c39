#!/usr/bin/env bash
# Builds the Debian package build/lumen_<version>_<arch>.deb from the current build (CPack),
# then checks it: its file list against packaging/files.txt and lintian's verdict.
# Options: --config FILE installs FILE as the administrator's config.ini, every user's defaults.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
config=""
if [ "${1:-}" = "--config" ]; then
  config=$(realpath "$2")
fi
bash "$root/scripts/build.sh" -DLUMEN_DEFAULT_CONFIG="$config"
cd "$root/build"
rm -f lumen_*.deb
cpack -G DEB >/dev/null
package=$(ls lumen_*.deb)

# Paths as dpkg lists them, folders included; the administrator's config.ini only when given.
expected=$(grep -v '^#' "$root/packaging/files.txt")
if [ -n "$config" ]; then
  expected=$(printf '%s\n./usr/lib/lumen/config.ini\n' "$expected")
fi
if ! diff -u <(sort <<<"$expected") <(dpkg-deb -c "$package" | awk '{print $6}' | sed 's|/$||' | sort); then
  echo "$package: the file list differs from packaging/files.txt (- expected, + packaged)" >&2
  exit 1
fi
# Errors fail the package; warnings are shown.
lintian --fail-on error --suppress-tags no-manual-page "$package"
echo "$root/build/$package"
