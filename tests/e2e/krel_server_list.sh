#!/usr/bin/env bash
# The list server with the real programs on loopback: two relays register
# with one krelList (every krelServer here announces to 127.0.0.1 and
# registers with 127.0.0.1), a flood of 100,000 bogus datagrams leaves
# krelList's memory bounded and both relays listed, a krel client picks the
# first relay the address screen lists (the screen's order is its own) with
# the arrow keys and joins it, and a relay that is killed leaves the list
# when its entry expires.
set -euo pipefail
source "$(dirname "$0")/lib/network.sh"
net_setup "$1"
LIST="$BUILD_DIR/krelList"
[ -e "$LIST" ] || { echo "SKIP: $LIST is not built yet"; exit 77; }
HELPER="$(dirname "$0")/lib/list_client.py"
free_udp() {
  python3 -c 'import socket; u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); u.bind(("127.0.0.1", 0)); print(u.getsockname()[1])'
}
LIST_PORT=$(free_udp)
# The relays announce where nobody listens: the client must find them
# through the list, not on the "local network".
DEAF_PORT=$(free_udp)
CLIENT_UDP_PORT=$(free_udp)

fail() {
  echo "$1"
  for f in "$WORK"/*.txt "$WORK"/c/out.txt; do [ -e "$f" ] && { echo "--- $f"; cat "$f"; }; done
  exit 1
}

# ASan keeps freed memory in quarantine; a small one lets RSS show what the
# program itself keeps.
ASAN_OPTIONS="$ASAN_OPTIONS:quarantine_size_mb=4" \
  "$LIST" --port "$LIST_PORT" --bind 127.0.0.1 --expire 12 > "$WORK/list.txt" 2>&1 < /dev/null &
LIST_PID=$!
PIDS+=("$LIST_PID")

start_relay() {
  : > "$WORK/$1.txt"
  "$SERVER" --port 0 --bind 127.0.0.1 --announce-to 127.0.0.1 --announce-port "$DEAF_PORT" \
    --register "127.0.0.1:$LIST_PORT" > "$WORK/$1.txt" 2>&1 < /dev/null &
  PIDS+=("$!")
  eval "${1}_PID=$!"
  local port=""
  for _ in $(seq 150); do
    port=$(sed -n 's/.*listening on TCP port \([0-9]*\).*/\1/p' "$WORK/$1.txt" || true)
    [ -n "$port" ] && break
    sleep 0.2
  done
  [ -n "$port" ] || fail "relay $1 did not start"
  eval "${1}_PORT=$port"
}
start_relay one
start_relay two
LOW=$(( one_PORT < two_PORT ? one_PORT : two_PORT ))
HIGH=$(( one_PORT < two_PORT ? two_PORT : one_PORT ))

listed() { python3 "$HELPER" query "$LIST_PORT" | cut -d' ' -f1 | sort -n | tr '\n' ' '; }
# wait_listed "PORTS " SECONDS
wait_listed() {
  local got=""
  for _ in $(seq $(( $2 * 5 ))); do
    got=$(listed)
    [ "$got" = "$1" ] && return 0
    sleep 0.2
  done
  fail "expected relays $1listed, found: $got"
}
wait_listed "$LOW $HIGH " 60

rss() { awk '/^VmRSS/ { print $2 }' "/proc/$LIST_PID/status"; }
before=$(rss)
python3 "$HELPER" flood "$LIST_PORT" 100000
after=$(rss)
echo "krelList RSS before the flood ${before} kB, after ${after} kB"
[ $(( after - before )) -lt 32768 ] || fail "krelList grew by $(( after - before )) kB under the flood"
kill -0 "$LIST_PID" || fail "krelList ended under the flood"
# The flood's own real registrations (from one address: at most 16, as
# running games, so the open relays come first on the screen) may stand
# beside the relays; the relays must still be there.
python3 "$HELPER" query "$LIST_PORT" | awk -v a="$LOW" -v b="$HIGH" '$1 == a || $1 == b { n++ } END { exit n == 2 ? 0 : 1 }' \
  || fail "the relays are no longer listed after the flood"
n_flood=$(python3 "$HELPER" query "$LIST_PORT" | wc -l)
[ "$n_flood" -le 18 ] || fail "$n_flood relays listed after the flood"

# A client that knows only the list server: after a while on the address
# screen it goes down once (the first listed relay) and joins it.
dir="$WORK/c"
mkdir -p "$dir/config"
printf '[Player 1 Settings]\n"Name"="Lisa"\n"Computer"="1"\n[Player 2 Settings]\n"Name"="Lars"\n"Computer"="1"\n' \
  > "$dir/config/krel.ini"
cat > "$dir/keys.txt" <<KEYS
3 -
1 DOWN
1 -
1 RETURN    # NEW NETWORK GAME
3 -
1 RETURN    # the weapons as dealt
150 -       # the address screen hears from the list server meanwhile
1 DOWN      # the first relay of the list
1 -
1 RETURN    # join it
60 -
1 ESCAPE
2 -
1 ESCAPE    # QUIT TO OS
1 -
1 RETURN
KEYS
(cd "$dir" && KREL_CONFIG_DIR="$dir/config" KREL_INPUT="$dir/keys.txt" KREL_LIST_SERVERS="127.0.0.1:$LIST_PORT" \
   KREL_TCP_PORT=1 KREL_UDP_PORT="$CLIENT_UDP_PORT" exec timeout 120 "$WORK/bin/krel" > "$dir/out.txt" 2>&1) \
  || fail "the client ended with status $?"
joins=$(cat "$WORK/one.txt" "$WORK/two.txt" | grep -c ' connected$' || true)
[ "$joins" = 1 ] || fail "the client joined $joins relays, not the one it picked"
if grep -q ' connected$' "$WORK/one.txt"; then kept=$one_PORT; dead=$two_PID; else kept=$two_PORT; dead=$one_PID; fi

# A relay that dies without a word leaves the list when its entry expires.
{ kill -9 "$dead"; wait "$dead"; } 2>/dev/null || true
for _ in $(seq 175); do
  [ "$(listed)" = "$kept " ] || { sleep 0.2; continue; }
  echo "ok: both relays listed through a flood, the picked one joined, the dead one expired"
  exit 0
done
fail "the killed relay is still listed after 35 s: $(listed)"
