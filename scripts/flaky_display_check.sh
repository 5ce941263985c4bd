#!/usr/bin/env bash
# eveda against an X server that hangs up during connection setup, as a busy Xvfb sometimes
# does: a real Xvfb behind a small relay that hangs up on chosen connections. eveda's own
# check is connection 1 (up to 4 when it tries again); Qt's is the next one. When Qt's fails after
# the check passed, eveda starts again (at most 3 times): its check and Qt's connection follow.
#   hang up on 1:          the retry gets through and the window opens
#   hang up on 1 to 4:     one line, exit 1, and no fifth try
#   hang up on 2:          the check passed but Qt's connection fails: eveda starts again and
#                          the window opens
#   hang up on 2, 4, 6, 8: Qt's connection fails in every start: one line, exit 1, no abort
# Usage: flaky_display_check.sh EVEDA SAMPLE_DIRECTORY. Needs Xvfb, xdotool and python3.
set -euo pipefail
eveda=$1
samples=$2
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
fail() { echo "flaky_display_check: $*" >&2; exit 1; }
expected="eveda: cannot open a display; use eveda-batch to join images without a window"

display_in_use() {
  [[ -e /tmp/.X11-unix/X$1 || -e /tmp/.X$1-lock ]] || grep -q "/tmp/.X11-unix/X$1\$" /proc/net/unix
}
server=120
while display_in_use "$server"; do server=$((server + 1)); done
relay=$((server + 1))
while display_in_use "$relay"; do relay=$((relay + 1)); done

Xvfb ":$server" -nolisten tcp -screen 0 800x600x24 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X$server ]] && break; sleep 0.1; done
[[ -S /tmp/.X11-unix/X$server ]] || fail "Xvfb :$server did not start"

cat >"$work/relay.py" <<'PY'
# relay.py FROM TO HANGUPS LOG: listens as display FROM, passes connections to display TO,
# and hangs up at once on those whose numbers are in HANGUPS (comma-separated, from 1).
import os, socket, sys, threading
listen, target, hangups, log = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
hangups = {int(n) for n in hangups.split(",")}
path = "/tmp/.X11-unix/X" + listen
server = socket.socket(socket.AF_UNIX)
server.bind(path)
server.listen(8)
def pump(source, sink):
    try:
        while data := source.recv(65536):
            sink.sendall(data)
    except OSError:
        pass
    for end in (source, sink):
        try:
            end.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
with open(log, "w", buffering=1) as out:
    count = 0
    while True:
        client, _ = server.accept()
        count += 1
        if count in hangups:
            out.write(f"{count} hung up\n")
            client.close()
            continue
        out.write(f"{count} passed\n")
        upstream = socket.socket(socket.AF_UNIX)
        upstream.connect("/tmp/.X11-unix/X" + target)
        threading.Thread(target=pump, args=(client, upstream), daemon=True).start()
        threading.Thread(target=pump, args=(upstream, client), daemon=True).start()
PY

start_relay() {  # hangups
  python3 "$work/relay.py" "$relay" "$server" "$1" "$work/relay.log" &
  relay_pid=$!
  pids+=("$relay_pid")
  for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X$relay ]] && return; sleep 0.1; done
  fail "the relay did not start"
}
stop_relay() {
  kill "$relay_pid" 2>/dev/null || true
  wait "$relay_pid" 2>/dev/null || true
  rm -f "/tmp/.X11-unix/X$relay"
}
run_eveda() {  # starts eveda on the relay in the background
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$relay" XAUTHORITY=/dev/null \
    "$eveda" "$samples" >"$work/stdout" 2>"$work/stderr" &
  eveda_pid=$!
  pids+=("$eveda_pid")
}
expect_one_line() {  # case
  local status=0
  wait "$eveda_pid" || status=$?
  [[ "$status" == 1 ]] || fail "$1: exit status $status, not 1 ($(head -c 300 "$work/stderr"))"
  [[ "$(cat "$work/stderr")" == "$expected" ]] || fail "$1: stderr '$(head -c 300 "$work/stderr")'"
}

start_relay 1
run_eveda
DISPLAY=":$server" timeout 20 xdotool search --sync --name '^DID Eveda v1\.0$' >/dev/null ||
  fail "hang-up on the first try: the window did not open ($(cat "$work/relay.log" | tr '\n' ' '))"
kill "$eveda_pid"
wait "$eveda_pid" 2>/dev/null || true
stop_relay
echo "   the server hangs up once: eveda tries again and the window opens"

start_relay 1,2,3,4
run_eveda
expect_one_line "hang-up on every try"
[[ "$(cat "$work/relay.log")" == $'1 hung up\n2 hung up\n3 hung up\n4 hung up' ]] ||
  fail "hang-up on every try: connections '$(cat "$work/relay.log" | tr '\n' ' ')', not four"
stop_relay
echo "   the server hangs up on each of the check's four tries: one line, exit 1"

start_relay 2
run_eveda
DISPLAY=":$server" timeout 20 xdotool search --sync --name '^DID Eveda v1\.0$' >/dev/null ||
  fail "hang-up on Qt's connection: the window did not open ($(cat "$work/relay.log" | tr '\n' ' '))"
kill "$eveda_pid"
wait "$eveda_pid" 2>/dev/null || true
[[ "$(head -n 4 "$work/relay.log" | tr '\n' ' ')" == "1 passed 2 hung up 3 passed 4 passed " ]] ||
  fail "hang-up on Qt's connection: connections '$(cat "$work/relay.log" | tr '\n' ' ')'"
stop_relay
echo "   the server hangs up on Qt after the check: eveda starts again and the window opens"

start_relay 2,4,6,8
run_eveda
expect_one_line "hang-up on Qt's connection in every start"
[[ "$(tr '\n' ' ' <"$work/relay.log")" == "1 passed 2 hung up 3 passed 4 hung up 5 passed 6 hung up 7 passed 8 hung up " ]] ||
  fail "hang-up on Qt's connection in every start: connections '$(tr '\n' ' ' <"$work/relay.log")'"
stop_relay
echo "   the server hangs up on Qt in every start: three restarts, then one line, exit 1"
