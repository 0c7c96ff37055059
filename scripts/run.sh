#!/usr/bin/env bash
# Installs what is missing, builds Darvell and starts it. Without a display
# (no DISPLAY or WAYLAND_DISPLAY) it starts the program under Xvfb instead,
# saves a screenshot of its first screen in the build folder and ends it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
darvell_install_deps

build=build/release
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/darvell"
fi

shot="$PWD/$build/first-screen.png"
fdfile=$(mktemp)
# Xvfb picks a free display number and writes it to descriptor 3.
# -noreset: no reset when the probes below disconnect while the program connects.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$fdfile"' EXIT
for _ in $(seq 50); do [ -s "$fdfile" ] && break; sleep 0.1; done
display=":$(head -n1 "$fdfile")"
for _ in $(seq 50); do DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

DISPLAY="$display" "$build/darvell" &
app_pid=$!
shown=""
for _ in $(seq 100); do
  if DISPLAY="$display" xdotool search --onlyvisible --name '^Darvell$' >/dev/null 2>&1; then shown=1; break; fi
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$shown" ]; then
  sleep 0.5
  DISPLAY="$display" import -window root "$shot"
fi
kill "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true
if [ -n "$shown" ]; then
  echo "No display here: Darvell ran under Xvfb; its first screen is in $shot. On a desktop, run $build/darvell (or scripts/run.sh) to use it."
else
  echo "No display here: Darvell ran under Xvfb but showed no window; see the messages above. On a desktop, run $build/darvell." >&2
  exit 1
fi
