#!/usr/bin/env bash
# Open play with the real programs: two paced bots play on the level and
# weapons the server names (--level, kept in each client's cache; --arms, the
# shipped weapon file as it is, objects that draw themselves into the level
# included, and the clients' own, so none gets or keeps it); a third joins the
# running game after 250 batches (10 s) with a level of its own that differs
# (and a spectator starts watching), drops its connection 300 frames later and
# comes back with its token; the second leaves after 800 frames. Nobody is
# refused, no client's game starts over (its batch count only grows), every
# client plays the level of the game and all agree on the level and the scores
# at every 50th batch after their join. A client of the basic protocol knocking
# during the game is told that a game runs. Bounded: every wait has a limit.
# (start_server passes --announce-to 127.0.0.1.)
set -euo pipefail
source "$(dirname "$0")/lib/bots.sh"
bots_setup "$1"
# Unlike the other network tests, the weapon file keeps its drawing objects:
# in open play their pictures reach every client's level through the batches.
cp "$BUILD_DIR/arms.dat" "$WORK/bin/arms.dat"

# Other levels of the same size: a band of pixels copied from elsewhere.
# The server names "served" for its games; the joiner's own is "other".
mkdir -p "$WORK/other" "$WORK/served"
cp "$WORK/bin/arms.dat" "$WORK/other/"
python3 - "$WORK/bin/level.bmp" "$WORK/other/level.bmp" "$WORK/served/level.bmp" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
start = int.from_bytes(data[10:14], "little")
for path, at in ((sys.argv[2], 40000), (sys.argv[3], 80000)):
    copy = bytearray(data)
    copy[start + at:start + at + 20000] = data[start:start + 20000]
    open(path, "wb").write(bytes(copy))
PY
# The server's level is kept here by every client, by checksum.
export XDG_CACHE_HOME="$WORK/cache"

start_server --level "$WORK/served/level.bmp" --arms "$WORK/bin/arms.dat"
start_bots stays --paced --wait-for 2 --frames 1300 --lives 9999 --seed 71
STAYS=$BOT_PID
start_bots leaves --number-from 2 --paced --wait-for 2 --frames 800 --lives 9999 --seed 81
LEAVES=$BOT_PID
wait_for 60 "the first two bots play 250 batches" \
  grep -qs '"batch":250,' "$WORK/stays/bot-1.jsonl"
# Both from the folder with the other level (the later --data wins).
start_bots joins --data "$WORK/other" --number-from 3 --paced --wait-for 1 --drop-after 300 --frames 900 --lives 9999 \
  --seed 91
JOINS=$BOT_PID
start_bots watches --data "$WORK/other" --number-from 4 --watch --frames 600
WATCHES=$BOT_PID

# A client of the basic protocol during the game: the classic refusal.
expect_running_game_refusal

wait_bots leaves joins watches stays
grep -q "entered the game" "$WORK/server.txt" || { echo "FAIL: nobody entered the running game"; cat "$WORK/server.txt"; exit 1; }

python3 - "$WORK/stays/bot-1.jsonl" "$WORK/leaves/bot-2.jsonl" "$WORK/joins/bot-3.jsonl" "$WORK/watches/bot-4.jsonl" <<'PY'
import json, sys
views = []
for path in sys.argv[1:]:
    batches, order = {}, []
    for line in open(path, encoding="utf-8"):
        d = json.loads(line)
        if "batch" in d:
            order.append(d["batch"])
            batches[d["batch"]] = (d["NumPlayers"], d["LevelChecksum"],
                                   sorted((p["Name"], p["Lives"], p["Kills"]) for p in d["players"]))
    # A restart would count the batches from 1 again.
    assert order == sorted(order) and len(set(order)) == len(order), f"{path}: batch count went back: {order}"
    views.append(batches)
stays, leaves, joins, watches = views
assert len(joins) >= 5, f"the joiner saw {len(joins)} batch lines"
for other, name in ((leaves, "leaver"), (joins, "joiner"), (watches, "spectator")):
    common = set(stays) & set(other)
    assert len(common) >= 5, f"{name}: {len(common)} batches in common"
    for b in sorted(common):
        assert other[b] == stays[b], f"{name} disagrees at batch {b}: {other[b]} vs {stays[b]}"
counts = [stays[b][0] for b in sorted(stays)]
assert 6 in counts and 4 in counts, f"worm counts seen: {sorted(set(counts))}"
print(f"ok: {len(stays)} batch lines, the joiner agrees at {len(set(stays) & set(joins))}")
PY
grep -q '"Chat":\[.*BOT 2A LEFT' "$WORK/stays/bot-1.jsonl" && grep -q 'BOT 3A JOINED' "$WORK/stays/bot-1.jsonl" &&
  grep -q 'BOT 3A IS BACK' "$WORK/stays/bot-1.jsonl" ||
  { echo "FAIL: no lines about the join, the return and the departure"; tail -1 "$WORK/stays/bot-1.jsonl"; exit 1; }
cached=$(find "$WORK/cache/krel" -name level.bmp)
[ "$(echo "$cached" | wc -l)" -eq 1 ] && cmp -s "$cached" "$WORK/served/level.bmp" && cmp -s "$WORK/bin/level.bmp" "$BUILD_DIR/level.bmp" ||
  { echo "FAIL: the server's level was not kept as it was, or the clients' own was touched"; exit 1; }
[ -z "$(find "$WORK/cache/krel" -name arms.dat)" ] && [ "$(grep -c 'has other level file' "$WORK/server.txt")" -ge 3 ] &&
  ! grep -q 'has other weapon file' "$WORK/server.txt" ||
  { echo "FAIL: a client with the server's weapon file got it again, or no client got the level"; exit 1; }
grep -q "came back in" "$WORK/joins.txt" && grep -q "comes back" "$WORK/server.txt" ||
  { echo "FAIL: the dropped bot did not come back"; cat "$WORK/joins.txt" "$WORK/server.txt"; exit 1; }
