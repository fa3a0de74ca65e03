#!/usr/bin/env bash
# Pipelined and lock-step clients of the real programs in one game, and the
# fall-back: (1) two paced bots that ask to play pipelined and a bot that
# waits for every batch play one game; every client's level and the scores
# agree at every 50th batch. (2) Against a server that plays everyone in
# lock-step (krelServer --lock-step answers the request as any "C"), the
# paced bots play lock-step and agree too. No timed assertions: rates are
# the benchmark's (bench/netplay_bench.py). (start_server passes
# --announce-to 127.0.0.1.)
set -euo pipefail
source "$(dirname "$0")/lib/bots.sh"
bots_setup "$1"

# agree NAME WORMS: every bot of NAME has played and all their dumps agree
# at every 50th batch of the game with WORMS worms (at least two in common).
agree() {
  python3 - "$2" "$WORK/$1"/*.jsonl <<'PY'
import json, sys
worms, paths = int(sys.argv[1]), sys.argv[2:]
views = []
for path in paths:
    batches = {}
    for line in open(path, encoding="utf-8"):
        d = json.loads(line)
        if "batch" in d and d["NumPlayers"] == worms:
            batches[d["batch"]] = (d["LevelChecksum"], sorted((p["Name"], p["Lives"], p["Kills"]) for p in d["players"]))
    views.append(batches)
common = set.intersection(*(set(v) for v in views))
assert len(common) >= 2, f"only {len(common)} batches seen by all"
for b in sorted(common):
    assert all(v[b] == views[0][b] for v in views), f"clients disagree at batch {b}"
print(f"ok: {len(paths)} clients agree at {len(common)} batches")
PY
}

start_server
start_bots paced --count 2 --paced --wait-for 3 --frames 300 --lives 9999 --seed 41
PACED=$BOT_PID
start_bots plain --count 1 --wait-for 3 --frames 300 --lives 9999 --seed 51
PLAIN=$BOT_PID
wait "$PACED" || { echo "FAIL: paced bots"; cat "$WORK/paced.txt" "$WORK/server.txt"; exit 1; }
wait "$PLAIN" || { echo "FAIL: lock-step bot"; cat "$WORK/plain.txt" "$WORK/server.txt"; exit 1; }
[ "$(grep -c 'plays pipelined' "$WORK/server.txt")" -eq 2 ] || { echo "FAIL: not two pipelined sessions"; cat "$WORK/server.txt"; exit 1; }
[ "$(grep -c '; pipelined,' "$WORK/paced.txt")" -eq 2 ] || { echo "FAIL: the paced bots did not play pipelined"; cat "$WORK/paced.txt"; exit 1; }
mkdir -p "$WORK/mixed"
cp "$WORK/paced/bot-1.jsonl" "$WORK/mixed/p1.jsonl"
cp "$WORK/paced/bot-2.jsonl" "$WORK/mixed/p2.jsonl"
cp "$WORK/plain/bot-1.jsonl" "$WORK/mixed/l1.jsonl"
agree mixed 6
kill "$SERVER_PID" 2>/dev/null || true
wait "$SERVER_PID" 2>/dev/null || true

start_server --lock-step
rm -rf "$WORK/paced"
start_bots paced --count 2 --paced --frames 200 --lives 9999 --seed 61
wait "$BOT_PID" || { echo "FAIL: paced bots against a lock-step server"; cat "$WORK/paced.txt" "$WORK/server.txt"; exit 1; }
if grep -q 'plays pipelined' "$WORK/server.txt"; then echo "FAIL: a lock-step server played a client pipelined"; exit 1; fi
[ "$(grep -c '; lock-step,' "$WORK/paced.txt")" -eq 2 ] || { echo "FAIL: the bots did not fall back to lock-step"; cat "$WORK/paced.txt"; exit 1; }
agree paced 4
