#!/usr/bin/env bash
# The window starts every time a display answers: eveda is started COUNT times in a row
# (default 200) under its own Xvfb while another client connects and disconnects in a loop
# beside it, and each start must open the window. A server that has just seen a client hang up
# sometimes refuses the next connection; eveda keeps its check's connection open until Qt has
# its own, and starts again when Qt's still fails.
# Usage: gui_start_loop.sh [EVEDA [COUNT]]. Needs Xvfb and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
eveda=${1:-build/bin/eveda}
count=${2:-200}
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
fail() { echo "gui_start_loop: $*" >&2; exit 1; }

display_in_use() {
  [[ -e /tmp/.X11-unix/X$1 || -e /tmp/.X$1-lock ]] || grep -q "/tmp/.X11-unix/X$1\$" /proc/net/unix
}
server=140
while display_in_use "$server"; do server=$((server + 1)); done
Xvfb ":$server" -nolisten tcp -screen 0 800x600x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X$server ]] && break; sleep 0.1; done
[[ -S /tmp/.X11-unix/X$server ]] || fail "Xvfb :$server did not start"
export DISPLAY=":$server" XAUTHORITY=/dev/null
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

build/bin/eveda-samples "$work/samples" >/dev/null

# The other client: one connection after another, each closed at once.
(while :; do xdotool getdisplaygeometry >/dev/null 2>&1 || true; done) &
pids+=($!)

# Our own look-ups connect too and may be refused as well: each is simply made again.
window_shown() { xdotool search --name '^DID Eveda v1\.0$' >/dev/null 2>&1; }

for ((start = 1; start <= count; start++)); do
  "$eveda" "$work/samples" >"$work/stdout" 2>"$work/stderr" &
  eveda_pid=$!
  shown=0
  for _ in $(seq 400); do
    if window_shown; then shown=1; break; fi
    kill -0 "$eveda_pid" 2>/dev/null || break
    sleep 0.05
  done
  if ((shown == 0)); then
    status=0
    kill "$eveda_pid" 2>/dev/null || true
    wait "$eveda_pid" 2>/dev/null || status=$?
    fail "start $start of $count: no window (exit status $status: $(head -c 300 "$work/stderr"))"
  fi
  kill "$eveda_pid"
  wait "$eveda_pid" 2>/dev/null || true
  # The window is gone before the next start looks for one.
  for _ in $(seq 100); do
    window_shown || break
    sleep 0.05
  done
done
echo "gui_start_loop: the window opened in $count starts of $count beside a client that" \
  "connects and disconnects in a loop"
