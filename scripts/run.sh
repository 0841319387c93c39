#!/usr/bin/env bash
# Builds lumen and starts it. Without a display it runs under a virtual X
# server and keeps a screenshot of the screen in build/screen.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
bin="$root/build/bin"

if [ -n "${DISPLAY:-}" ]; then
  exec "$bin/lumen"
fi

screenshot="$root/build/screen.png"
echo "No display: running under Xvfb; the screen is saved to $screenshot every 3 seconds."
xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" bash -c '
  "$1/lumen" &
  program=$!
  while kill -0 "$program" 2>/dev/null; do
    sleep 3
    xwd -root -silent | convert xwd:- "$2.tmp.png" && mv "$2.tmp.png" "$2"
  done
  wait "$program"
' screen "$bin" "$screenshot"
