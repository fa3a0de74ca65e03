#!/usr/bin/env bash
# Faults around a network game of eight bot clients: one client killed, and
# one frozen (it stops reading and sending), which the server must end before
# the others' wait for their batch runs out, and a newcomer during the game.
# Bounded: every wait has a limit, and every wait leaves room for a busy
# machine (each departure makes every bot start its game over).
# (start_server passes --announce-to 127.0.0.1.) A ninth client is refused in
# the relay's unit tests; the server's death is krel_network_lost.sh.
set -euo pipefail
source "$(dirname "$0")/lib/bots.sh"
bots_setup "$1"
start_server
# Six bots in one process, two single ones to be hurt; all wait until the
# eight are in, then play until they are stopped.
start_bots six --count 6 --wait-for 8 --lives 9999 --seed 11
start_bots killed --count 1 --wait-for 8 --lives 9999 --seed 21
KILLED=$BOT_PID
start_bots frozen --count 1 --wait-for 8 --lives 9999 --seed 31
FROZEN=$BOT_PID
wait_for 60 "the eight clients play" batch_line_with six 16

# A ninth program knocking during the game is told why it cannot join, on
# the port the server has kept, and the refusal is logged.
expect_running_game_refusal
grep -q "a game is running" "$WORK/server.txt" || { echo "FAIL: the refusal is not logged"; exit 1; }

# Killed in the middle of the game: the others go on without it.
kill -9 "$KILLED"
wait_for 20 "the seven play on after a client was killed" batch_line_with six 14

# Frozen: the inactivity rule ends it, and the others go on again.
kill -STOP "$FROZEN"
wait_for 20 "the frozen client is ended" grep -q "ended: no data in time" "$WORK/server.txt"
wait_for 20 "the six play on after a client froze" batch_line_with six 12
echo "ok"
