#!/usr/bin/env bash
# Soak: eight bot clients play a game of SOAK_FRAMES frames (default 3000,
# two minutes of game time) as fast as the server paces them. Every client
# must play to the end without a dropped session, the server's memory must
# stay flat, and at every 50th batch all clients must agree on the worms and
# the level's materials. (start_server passes --announce-to 127.0.0.1.)
set -euo pipefail
source "$(dirname "$0")/lib/bots.sh"
bots_setup "$1"
FRAMES=${SOAK_FRAMES:-3000}
# Freed memory is handed back at once rather than held in the sanitizer's
# quarantine, so that the server's resident size shows what it keeps.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0"
start_server
start_bots eight --count 8 --frames "$FRAMES" --lives 9999 --seed 5
EIGHT=$BOT_PID
# At most ten minutes, whatever happens.
for _ in $(seq 1200); do
  kill -0 "$EIGHT" 2>/dev/null || break
  awk '/^VmRSS/ {print $2}' "/proc/$SERVER_PID/status" >> "$WORK/rss.txt" 2>/dev/null || true
  sleep 0.5
done
kill -9 "$EIGHT" 2>/dev/null || true
status=0
wait "$EIGHT" || status=$?
played=$(grep -c "$FRAMES frames, .* frame limit" "$WORK/eight.txt" || true)
if [ "$status" -ne 0 ] || [ "$played" -ne 8 ]; then
  echo "FAIL: status $status, $played of 8 bots played $FRAMES frames"
  cat "$WORK/eight.txt" "$WORK/server.txt"
  exit 1
fi
# Every session ended only when its bot left at the end.
if grep "ended:" "$WORK/server.txt" | grep -v "closed by the client"; then
  echo "FAIL: a session was dropped"; exit 1
fi
python3 - "$FRAMES" "$WORK/rss.txt" "$WORK"/eight/*.jsonl <<'PY'
import json, sys
frames, rss_path, paths = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
views = []
for path in paths:
    batches = {}
    for line in open(path, encoding="utf-8"):
        d = json.loads(line)
        if "batch" in d and d["NumPlayers"] == 16:
            worms = sorted((p["Name"], p["Lives"], p["Kills"]) for p in d["players"])
            batches[d["batch"]] = (d["LevelChecksum"], worms)
    views.append(batches)
common = set.intersection(*(set(v) for v in views))
assert len(common) >= frames // 50 - 3, f"only {len(common)} batches seen by all"
for b in sorted(common):
    assert all(v[b] == views[0][b] for v in views), f"clients disagree at batch {b}"
rss = [int(x) for x in open(rss_path).read().split()]
assert len(rss) >= 4, rss
settled = rss[len(rss) // 4]
assert max(rss) - settled < 4096, f"server memory grew from {settled} kB to {max(rss)} kB"
print(f"ok: {len(common)} batches compared, server {settled}..{max(rss)} kB")
PY
