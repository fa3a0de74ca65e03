#!/usr/bin/env bash
# A network game of the real programs on loopback: krelServer and two krel
# clients reach the server through the address screen and play a few
# hundred frames, one client's worms played by the computer, the other's by
# scripted people. The people's client plays pipelined (its frames do not
# wait for the batches), the computer's in lock-step (KREL_LOCKSTEP=1). Both
# clients must have seen the same four worms with the same score, and after
# every 50th batch their levels must be the same: every dig went through the
# server and was applied by both in the same order. Their frame traces agree
# batch by batch (krel-trace compare).
# (lib/network.sh starts krelServer with --announce-to 127.0.0.1.)
set -euo pipefail
source "$(dirname "$0")/lib/network.sh"
net_setup "$1"
CLIENT_PIDS=()
start_server
start_client a Anna Alf 0 "$(human_keys 400)"
wait_joined 1
start_client b Bert Bea 1 "400 -" KREL_LOCKSTEP=1
wait_clients
kill "$SERVER_PID" 2>/dev/null || true
# The server names the files beside it, which are the clients' own: it says
# so, and neither client gets them.
grep -qF "serving level.bmp $WORK/bin/level.bmp" "$WORK/server.txt" &&
  grep -qF "serving arms.dat $WORK/bin/arms.dat" "$WORK/server.txt" && ! grep -q "has other" "$WORK/server.txt" ||
  { echo "FAIL: the server's files"; cat "$WORK/server.txt"; exit 1; }
[ "$(grep -c 'plays pipelined' "$WORK/server.txt")" -eq 1 ] || { echo "FAIL: not one pipelined client"; cat "$WORK/server.txt"; exit 1; }
TRACE_TOOL="$BUILD_DIR/krel-trace"
if [ -x "$TRACE_TOOL" ]; then
  "$TRACE_TOOL" compare "$WORK/a/trace.jsonl" "$WORK/b/trace.jsonl" || { echo "FAIL: the traces part ways"; exit 1; }
fi

python3 - "$WORK/a/dump.jsonl" "$WORK/b/dump.jsonl" <<'PY'
import json, sys
def lines(path):
    return [json.loads(l) for l in open(path, encoding="utf-8")]
a, b = lines(sys.argv[1]), lines(sys.argv[2])
def batches(ls):
    return {l["batch"]: l for l in ls if "batch" in l and l["NumPlayers"] == 4}
ba, bb = batches(a), batches(b)
common = sorted(set(ba) & set(bb))
assert len(common) >= 3, ("too few batches of the four-worm game in both dumps", sorted(ba), sorted(bb))
names = {"Anna", "Alf", "Bert", "Bea"}
for n in common:
    sa = {p["Name"].strip(): (p["Lives"], p["Kills"]) for p in ba[n]["players"]}
    sb = {p["Name"].strip(): (p["Lives"], p["Kills"]) for p in bb[n]["players"]}
    assert set(sa) == names and sa == sb, (n, sa, sb)
    assert ba[n]["LevelChecksum"] == bb[n]["LevelChecksum"], ("levels differ after batch", n)
ends = [l for l in a + b if "end" in l]
assert len(ends) == 2 and all(e["end"] == "escape" for e in ends), ends
print("ok:", len(common), "batches compared")
PY
