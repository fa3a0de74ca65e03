# Shared set-up of the tests with krel-bot (sourced): the relay server and
# the data folder of network.sh (krelServer on loopback with --announce-to
# 127.0.0.1; a weapon file without DRAWOBJECT, so that the levels of all
# clients must agree).
source "$(dirname "${BASH_SOURCE[0]}")/network.sh"

bots_setup() {
  net_setup "$1"
  BOT="$BUILD_DIR/krel-bot"
  [ -e "$BOT" ] || { echo "SKIP: $BOT is not built yet"; exit 77; }
  # kill -9 at the end: a stopped (frozen) bot would not end on a plain kill.
  trap 'for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null || true; done; wait 2>/dev/null; [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"' EXIT
  # net_setup turns leak reports off for the SDL client; the bots keep them.
  export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=1"
}

# start_bots NAME ARGS...: a krel-bot process against the server, its report
# in $WORK/NAME.txt and its dump lines in $WORK/NAME/; its pid in BOT_PID.
start_bots() {
  local name=$1
  shift
  mkdir -p "$WORK/$name"
  "$BOT" 127.0.0.1 --port "$TCP_PORT" --data "$WORK/bin" --dump "$WORK/$name" "$@" \
    > "$WORK/$name.txt" 2>&1 < /dev/null &
  BOT_PID=$!
  PIDS+=("$BOT_PID")
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
