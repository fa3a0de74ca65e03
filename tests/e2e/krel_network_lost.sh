#!/usr/bin/env bash
# The relay server dies in the middle of a network game: both clients go on
# locally and show "NETWORK CONNECTION LOST", then end normally.
# (lib/network.sh starts krelServer with --announce-to 127.0.0.1.)
set -euo pipefail
source "$(dirname "$0")/lib/network.sh"
net_setup "$1"
CLIENT_PIDS=()
start_server
start_client a Anna Alf 0 "$(human_keys 400)"
wait_joined 1
start_client b Bert Bea 1 "400 -"
wait_joined 2
# In the middle of the game: once the first worm is alive (the server takes
# no more clients then), while both clients still play.
for _ in $(seq 600); do grep -q 'game started' "$WORK/server.txt" && break; sleep 0.1; done
grep -q 'game started' "$WORK/server.txt" || { echo "the game did not start"; cat "$WORK/server.txt"; exit 1; }
kill -9 "$SERVER_PID"
wait_clients

python3 - "$WORK/a/dump.jsonl" "$WORK/b/dump.jsonl" <<'PY'
import json, sys
for path in sys.argv[1:]:
    ends = [json.loads(l) for l in open(path, encoding="utf-8") if '"end"' in l]
    assert len(ends) == 1 and ends[0]["end"] == "escape", (path, ends)
    assert "NETWORK CONNECTION LOST" in ends[0]["Chat"], (path, ends[0]["Chat"])
print("ok")
PY
