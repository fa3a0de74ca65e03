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
wait_bots watches plays
grep -q "frame limit" "$WORK/plays.txt" && grep -q "took a free place in" "$WORK/watches.txt" && grep -q "watches from batch" "$WORK/server.txt" &&
  grep -q "entered the game at batch" "$WORK/server.txt" ||
  { echo "FAIL: the spectator did not take a place"; cat "$WORK/watches.txt" "$WORK/server.txt"; exit 1; }
grep -q 'BOT 2A JOINED' "$WORK/plays/bot-1.jsonl" && grep -q '"end":"tookplace"' "$WORK/watches/bot-2.jsonl" ||
  { echo "FAIL: no join line, or the watched game did not end by taking a place"; tail -2 "$WORK"/*/bot-*.jsonl; exit 1; }
batches_in_order "$WORK/plays/bot-1.jsonl" && batch_line_with plays 4 ||
  { echo "FAIL: the first bot's game started over, or the spectator's worms never played"; exit 1; }
