#!/usr/bin/env bash
# krel-bot against a server that accepts the connection and never answers:
# the bot ends by itself, with status 1 and the reason; stopped by SIGTERM
# while it waits, it says so and does not claim a refusal. The silent
# server is a small Python listener on a free loopback port.
set -euo pipefail
source "$(dirname "$0")/lib/bots.sh"
bots_setup "$1"
: > "$WORK/silent.txt"
python3 -u - > "$WORK/silent.txt" 2>&1 <<'PY' &
import socket, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(8)
print("port", s.getsockname()[1])
s.settimeout(1)
held, end = [], time.time() + 120
while time.time() < end:
    try:
        c, _ = s.accept()
        held.append(c)
        print("accepted", len(held))
    except socket.timeout:
        pass
PY
PIDS+=("$!")
wait_for 20 "the silent server listens" grep -q '^port ' "$WORK/silent.txt"
TCP_PORT=$(sed -n 's/^port //p' "$WORK/silent.txt")

# Left alone: the game gives up on the server after 10 s, and so does the bot.
status=0
timeout 90 "$BOT" 127.0.0.1 --port "$TCP_PORT" --data "$WORK/bin" > "$WORK/alone.txt" 2>&1 < /dev/null || status=$?
cat "$WORK/alone.txt"
[ "$status" -eq 1 ] || { echo "FAIL: status $status, not 1"; exit 1; }
grep -q "no answer: the server accepted the connection but sent no game settings within 10 s" "$WORK/alone.txt" ||
  { echo "FAIL: no true message"; exit 1; }

# Stopped while it waits: no refusal is claimed.
start_bots asked
wait_for 30 "the second bot is accepted" grep -q '^accepted 2' "$WORK/silent.txt"
kill -TERM "$BOT_PID"
wait_for 30 "the bot reports on SIGTERM" grep -q '^bot 1:' "$WORK/asked.txt"
wait "$BOT_PID" || true
cat "$WORK/asked.txt"
grep -q "stopped before the server sent the game settings" "$WORK/asked.txt" || { echo "FAIL: no stop message"; exit 1; }
if grep -q "refused" "$WORK/asked.txt"; then echo "FAIL: a refusal claimed"; exit 1; fi
echo "ok"
