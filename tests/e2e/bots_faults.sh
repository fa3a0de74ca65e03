#!/usr/bin/env bash
# Faults around a network game of eight bot clients: one client killed, one
# frozen (it stops reading and sending), a ninth that comes too late, and
# finally the server killed. Bounded: every wait has a limit, every process
# a time limit. (start_server passes --announce-to 127.0.0.1.)
set -euo pipefail
source "$(dirname "$0")/lib/bots.sh"
bots_setup "$1"
start_server
# Six bots in one process, two single ones to be hurt; all wait until the
# eight are in, then play until they are stopped.
start_bots six --count 6 --wait-for 8 --lives 9999 --seed 11
SIX=$BOT_PID
start_bots killed --count 1 --wait-for 8 --lives 9999 --seed 21
KILLED=$BOT_PID
start_bots frozen --count 1 --wait-for 8 --lives 9999 --seed 31
FROZEN=$BOT_PID
wait_for 60 "the eight clients play" batch_line_with six 16

# A ninth client: the game runs, the server takes no one.
start_bots ninth --count 1
NINTH=$BOT_PID

# Killed in the middle of the game: the others go on without it.
kill -9 "$KILLED"
wait_for 20 "the seven play on after a client was killed" batch_line_with six 14

# Frozen: the inactivity rule ends it, and the others go on again.
kill -STOP "$FROZEN"
wait_for 20 "the frozen client is ended" grep -q "ended: no data in time" "$WORK/server.txt"
wait_for 20 "the six play on after a client froze" batch_line_with six 12
kill -9 "$FROZEN"

finish "$NINTH" 20
[ "$STATUS" -eq 1 ] && grep -q "cannot connect" "$WORK/ninth.txt" ||
  { echo "FAIL: the ninth client (status $STATUS)"; cat "$WORK/ninth.txt"; exit 1; }

# The server dies: every bot notices, goes on locally for a moment and ends.
kill -9 "$SERVER_PID"
finish "$SIX" 20
status=$STATUS
lost=$(grep -c "NETWORK CONNECTION LOST" "$WORK/six.txt" || true)
if [ "$status" -ne 1 ] || [ "$lost" -ne 6 ]; then
  echo "FAIL: after the server died: status $status, $lost of 6 bots lost the connection"
  cat "$WORK/six.txt" "$WORK/server.txt"
  exit 1
fi
python3 - "$WORK"/six/*.jsonl <<'PY'
import json, sys
for path in sys.argv[1:]:
    lines = [json.loads(l) for l in open(path, encoding="utf-8")]
    ends = [l for l in lines if "end" in l]
    assert len(ends) == 1 and "NETWORK CONNECTION LOST" in ends[0]["Chat"], (path, ends)
print("ok")
PY
cat "$WORK/six.txt"
