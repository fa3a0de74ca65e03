# Shared set-up of the tests with krel-bot (sourced): a relay server on
# loopback ports of its own (started by start_server from network.sh, with
# --announce-to 127.0.0.1) and a data folder with a weapon file without
# DRAWOBJECT, so that the levels of all clients must agree.
source "$(dirname "${BASH_SOURCE[0]}")/network.sh"

bots_setup() {
  BUILD_DIR=$(cd "$1" && pwd)
  SERVER="$BUILD_DIR/krelServer"
  BOT="$BUILD_DIR/krel-bot"
  for f in "$BOT" "$SERVER" "$BUILD_DIR/arms.dat" "$BUILD_DIR/level.bmp"; do
    [ -e "$f" ] || { echo "SKIP: $f is not built yet"; exit 77; }
  done
  WORK=$(mktemp -d)
  [ -z "${KEEP_WORK:-}" ] || echo "work folder: $WORK"
  PIDS=()
  trap 'for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null || true; done; wait 2>/dev/null; [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"' EXIT
  mkdir -p "$WORK/data"
  cp "$BUILD_DIR/level.bmp" "$WORK/data/"
  grep -av '^DRAWOBJECT:' "$BUILD_DIR/arms.dat" > "$WORK/data/arms.dat"
  UDP_PORT=$(python3 -c 'import socket; u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); u.bind(("127.0.0.1", 0)); print(u.getsockname()[1])')
}

# start_bots NAME ARGS...: a krel-bot process against the server, its report
# in $WORK/NAME.txt and its dump lines in $WORK/NAME/; its pid in BOT_PID.
start_bots() {
  local name=$1
  shift
  mkdir -p "$WORK/$name"
  "$BOT" 127.0.0.1 --port "$TCP_PORT" --data "$WORK/data" --dump "$WORK/$name" "$@" \
    > "$WORK/$name.txt" 2>&1 < /dev/null &
  BOT_PID=$!
  PIDS+=("$BOT_PID")
}

# finish PID SECONDS: waits for the process to end by itself, at most
# SECONDS (then it is killed); its exit status lands in STATUS.
finish() {
  local pid=$1
  for _ in $(seq $(($2 * 5))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  kill -9 "$pid" 2>/dev/null || true
  STATUS=0
  wait "$pid" || STATUS=$?
}

# wait_for SECONDS WHAT COMMAND...: polls COMMAND every 0.2 s; fails the
# test with WHAT when it does not succeed in time.
wait_for() {
  local limit=$1 what=$2
  shift 2
  for _ in $(seq $((limit * 5))); do
    "$@" && return 0
    sleep 0.2
  done
  echo "FAIL: $what"
  for f in "$WORK"/*.txt; do echo "--- $f"; tail -20 "$f"; done
  exit 1
}

# batch_line_with NAME COUNT: some bot of NAME has dumped a batch of COUNT worms.
batch_line_with() { grep -qs "\"batch\":[0-9]*,\"NumPlayers\":$2," "$WORK/$1"/*.jsonl; }
