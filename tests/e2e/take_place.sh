#!/usr/bin/env bash
# A spectator takes a free place: one paced bot plays, a second watches and
# after 75 frames presses its jump key; it connects again to play, enters
# the running game as any newcomer does ("BOT 2A JOINED") and plays, and the
# first bot's game never starts over. Loopback only, every wait bounded.
# (start_server passes --announce-to 127.0.0.1.)
set -euo pipefail
source "$(dirname "$0")/lib/bots.sh"
bots_setup "$1"

start_server
# 50 lives (the server's top): the worms sent in full when someone enters
# must keep them, so the first bot plays to its frame limit.
start_bots plays --paced --wait-for 1 --frames 750 --lives 50 --seed 11
PLAYS=$BOT_PID
wait_for 60 "the first bot plays 50 batches" grep -qs '"batch":50,' "$WORK/plays/bot-1.jsonl"
start_bots watches --number-from 2 --paced --play-after 75 --frames 350 --seed 21
WATCHES=$BOT_PID
for name in watches plays; do
  pid_var=$(echo "$name" | tr a-z A-Z)
  wait "${!pid_var}" || { echo "FAIL: bot $name"; for f in "$WORK"/*.txt; do echo "--- $f"; tail -20 "$f"; done; exit 1; }
done
grep -q "frame limit" "$WORK/plays.txt" && grep -q "took a free place in" "$WORK/watches.txt" && grep -q "watches from batch" "$WORK/server.txt" &&
  grep -q "entered the game at batch" "$WORK/server.txt" ||
  { echo "FAIL: the spectator did not take a place"; cat "$WORK/watches.txt" "$WORK/server.txt"; exit 1; }
grep -q 'BOT 2A JOINED' "$WORK/plays/bot-1.jsonl" && grep -q '"end":"tookplace"' "$WORK/watches/bot-2.jsonl" ||
  { echo "FAIL: no join line, or the watched game did not end by taking a place"; tail -2 "$WORK"/*/bot-*.jsonl; exit 1; }
python3 - "$WORK/plays/bot-1.jsonl" <<'PY'
import json, sys
order = [json.loads(l)["batch"] for l in open(sys.argv[1], encoding="utf-8") if '"batch"' in l]
# A restart would count the batches from 1 again.
assert order == sorted(order) and len(set(order)) == len(order), f"batch count went back: {order}"
counts = {json.loads(l)["NumPlayers"] for l in open(sys.argv[1], encoding="utf-8") if '"batch"' in l}
assert 4 in counts, f"worm counts seen: {sorted(counts)}"
print(f"ok: {len(order)} batch lines, the spectator's worms played")
PY
