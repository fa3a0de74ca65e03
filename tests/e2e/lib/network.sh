# Shared set-up of the network end-to-end tests (sourced): a relay server
# and krel clients on loopback ports of their own, each client a copy of
# krel in a folder with a weapon file without DRAWOBJECT (the one thing that
# changes a level locally, so the levels of all clients must agree).
# Every krelServer here announces to 127.0.0.1 only.

net_setup() {
  BUILD_DIR=$(cd "$1" && pwd)
  KREL="$BUILD_DIR/krel"
  SERVER="$BUILD_DIR/krelServer"
  for f in "$KREL" "$SERVER" "$BUILD_DIR/arms.dat" "$BUILD_DIR/level.bmp"; do
    [ -e "$f" ] || { echo "SKIP: $f is not built yet"; exit 77; }
  done
  WORK=$(mktemp -d)
  [ -z "${KEEP_WORK:-}" ] || echo "work folder: $WORK"
  PIDS=()
  trap 'for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null; [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"' EXIT
  mkdir -p "$WORK/bin"
  cp "$KREL" "$SERVER" "$BUILD_DIR/level.bmp" "$WORK/bin/"
  grep -av '^DRAWOBJECT:' "$BUILD_DIR/arms.dat" > "$WORK/bin/arms.dat"
  # The server names the files beside it, the clients' own: nobody needs the server's.
  SERVER="$WORK/bin/krelServer"
  # The announcements go to a free UDP port of this test; the server picks
  # its own free TCP port and says which.
  UDP_PORT=$(python3 -c 'import socket; u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); u.bind(("127.0.0.1", 0)); print(u.getsockname()[1])')
  # The player's own data folder would come before the copies in bin/.
  export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$WORK/data"
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
}

# start_server [ARGS...]: ARGS go to krelServer besides the loopback ones.
start_server() {
  # Made before the server starts, so that reading it cannot race its creation.
  : > "$WORK/server.txt"
  "$SERVER" --port 0 --announce-port "$UDP_PORT" --announce-to 127.0.0.1 --bind 127.0.0.1 "$@" \
    > "$WORK/server.txt" 2>&1 < /dev/null &
  SERVER_PID=$!
  PIDS+=("$SERVER_PID")
  for _ in $(seq 100); do
    TCP_PORT=$(sed -n 's/.*listening on TCP port \([0-9]*\).*/\1/p' "$WORK/server.txt" || true)
    [ -n "$TCP_PORT" ] && return 0
    sleep 0.1
  done
  echo "krelServer did not start"; cat "$WORK/server.txt"; exit 1
}

# start_client NAME WORM1 WORM2 CPU GAME_KEYS [ENV...]: the menu to NEW
# NETWORK GAME, the weapons as dealt, the address typed, then the game part of
# the key script (GAME_KEYS, lines of the KREL_INPUT format), Escape, the
# results screen and quit. With CPU 1 both worms are played by the computer.
# ENV (NAME=VALUE words) is added to the client's environment; its frame
# trace goes to trace.jsonl.
#
# The server takes new clients only until a worm comes alive, and the
# computer revives a worm at once; so the client that joins first is played
# by scripted people who press jump only once the other has joined.
start_client() {
  local name=$1 dir="$WORK/$1"
  mkdir -p "$dir/config"
  printf '[Player 1 Settings]\n"Name"="%s"\n"Computer"="%s"\n[Player 2 Settings]\n"Name"="%s"\n"Computer"="%s"\n' \
    "$2" "$4" "$3" "$4" > "$dir/config/krel.ini"
  cat > "$dir/keys.txt" <<KEYS
3 -
1 DOWN
1 -
1 RETURN    # NEW NETWORK GAME: weapon selection once Enter is up
3 -
1 RETURN    # the weapons as dealt
3 -
TYPE 127.0.0.1
2 -
1 RETURN    # connect
$5
1 ESCAPE
2 -
1 SPACE     # past the results screen
1 -
1 ESCAPE    # QUIT TO OS
1 -
1 RETURN
KEYS
  (cd "$dir" && KREL_CONFIG_DIR="$dir/config" KREL_INPUT="$dir/keys.txt" KREL_DUMP="$dir/dump.jsonl" \
     KREL_TRACE="$dir/trace.jsonl" KREL_TCP_PORT="$TCP_PORT" KREL_UDP_PORT="$UDP_PORT" \
     exec env "${@:6}" timeout 120 "$WORK/bin/krel" > "$dir/out.txt" 2>&1) &
  PIDS+=("$!")
  CLIENT_PIDS+=("$!")
}

# Two scripted people: they wait, jump into play together, then walk, aim,
# fire and dig for FRAMES frames in a fixed pattern.
human_keys() {
  local frames=$1
  echo "150 -"
  echo "1 K X"
  local left=$((frames - 151))
  while [ "$left" -gt 0 ]; do
    printf '8 RIGHT F J\n4 UP E Y\n8 LEFT S J Y\n2 -\n3 LEFT RIGHT S F\n6 DOWN D J\n1 K X\n'
    left=$((left - 32))
  done
}

# Waits until the server has greeted N clients.
wait_joined() {
  for _ in $(seq 200); do
    [ "$(grep -c ' connected$' "$WORK/server.txt")" -ge "$1" ] && return 0
    sleep 0.1
  done
  echo "clients did not reach the server"; cat "$WORK/server.txt"; exit 1
}

# wait_bots NAME...: waits for each bot, its pid in the variable named NAME in
# capitals; a bot that fails fails the test, with the tail of every report.
wait_bots() {
  local name pid_var
  for name in "$@"; do
    pid_var=${name^^}
    wait "${!pid_var}" || { echo "FAIL: bot $name"; for f in "$WORK"/*.txt; do echo "--- $f"; tail -20 "$f"; done; exit 1; }
  done
}

# batches_in_order FILE: the batch numbers in a bot's dump only grow (a game
# started over would count them from 1 again).
batches_in_order() { grep -o '"batch":[0-9]*' "$1" | cut -d: -f2 | sort -cnu; }

wait_clients() {
  local status=0
  for p in "${CLIENT_PIDS[@]}"; do wait "$p" || status=$?; done
  if [ "$status" -ne 0 ]; then
    echo "a client ended with status $status"
    for f in "$WORK"/*/out.txt "$WORK/server.txt"; do echo "--- $f"; cat "$f"; done
    exit 1
  fi
}

# A client of the basic protocol knocking at a running game: it greets and
# sends its settings, and must be told why it cannot join, then closed.
expect_running_game_refusal() {
  local refusal
  refusal=$(python3 - "$TCP_PORT" <<'PY'
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=20)
s.sendall(b"$KREL0.82.0.0C\x00\x0f\x00\x64\x01")
got = b""
while True:
    chunk = s.recv(4096)
    if not chunk:
        break
    got += chunk
print(repr(got))
PY
)
  [ "$refusal" = "b'cA GAME IS RUNNING ON THIS SERVER\\x00'" ] || { echo "FAIL: refusal was $refusal"; exit 1; }
}
