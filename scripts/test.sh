#!/usr/bin/env bash
# Builds lumen and its Debian package (checked) and runs the whole test suite under a
# virtual X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/package.sh"
bash "$root/scripts/format.sh" --check
cd "$root/build"
# 96 dpi keeps Qt's zoom factor at 1, as on an ordinary desktop.
xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" \
  ctest --output-on-failure "$@"
