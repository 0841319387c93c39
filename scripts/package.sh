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
# The QML modules the scene imports, and those they import in turn, come from packages the
# package depends on: CPack only sees the libraries the binaries link. Modules that are not
# installed here belong to parts of a style the scene never loads.
qml_modules=$(qtpaths6 --query QT_INSTALL_QML)
scanner="$(qtpaths6 --query QT_INSTALL_LIBEXECS)/qmlimportscanner"
depends=$(dpkg-deb -f "$package" Depends | tr ',|' '\n\n' | awk '{print $1}')
undeclared=$("$scanner" -rootPath "$root/qml" -importPath "$qml_modules" 2>/dev/null |
  python3 -c 'import json, sys
for module in json.load(sys.stdin):
    print(module.get("path", ""))' |
  while read -r module; do
    [ -f "$module/qmldir" ] || continue
    owner=$(dpkg-query -S "$module/qmldir" | cut -d: -f1)
    grep -qxF "$owner" <<<"$depends" || echo "$owner"
  done | sort -u)
if [ -n "$undeclared" ]; then
  echo "$package: the scene loads QML modules of packages it does not depend on" \
    "(cmake/Package.cmake):" $undeclared >&2
  exit 1
fi
# Errors fail the package; warnings are shown.
lintian --fail-on error --suppress-tags no-manual-page "$package"
echo "$root/build/$package"
