#!/usr/bin/env bash
# Builds lumen, serves the demo portal on loopback, points the program at it
# with lumen_config and starts it. Without a display it runs under a virtual X
# server and keeps a screenshot of the screen in build/screen.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
bin="$root/build/bin"
state="$root/build/run"
mkdir -p "$state"
rm -f "$state/port" "$state/lumen.pid"

server=""
session=""
# lumen goes first: its end ends the screenshot loop, and xvfb-run then stops
# its X server by itself.
stop() {
  if [ -s "$state/lumen.pid" ]; then
    kill "$(cat "$state/lumen.pid")" 2>/dev/null || true
  fi
  if [ -n "$session" ]; then
    wait "$session" 2>/dev/null || true
  fi
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
  fi
}
trap stop EXIT
trap 'exit 130' INT TERM

python3 "$root/portal/serve.py" --port-file "$state/port" 8765 >"$root/build/portal.log" 2>&1 &
server=$!
for _ in $(seq 100); do
  [ -s "$state/port" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "The portal server did not start; see $root/build/portal.log." >&2
    exit 1
  fi
  sleep 0.1
done
port=$(cat "$state/port")
domain="corvela.localhost:$port"
"$bin/lumen_config" --file "$bin/config.ini" set-domain "$domain" >/dev/null
echo "Serving the demo portal from portal/ on 127.0.0.1:$port; lumen opens http://www.$domain/"

# Background jobs and wait: a signal then reaches the trap at once.
if [ -n "${DISPLAY:-}" ]; then
  "$bin/lumen" &
  session=$!
  echo "$session" >"$state/lumen.pid"
  wait "$session"
  exit
fi

screenshot="$root/build/screen.png"
echo "No display: running under Xvfb; the screen is saved to $screenshot every 3 seconds."
xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" bash -c '
  "$1/lumen" &
  program=$!
  echo "$program" >"$3"
  while kill -0 "$program" 2>/dev/null; do
    sleep 3
    xwd -root -silent | convert xwd:- "$2.tmp.png" && mv "$2.tmp.png" "$2"
  done
  wait "$program"
' screen "$bin" "$screenshot" "$state/lumen.pid" &
session=$!
wait "$session"
