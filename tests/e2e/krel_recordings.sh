#!/usr/bin/env bash
# The real program plays a shipped recording headless and writes the shipped
# end-of-game report; a malformed recording and a misused option end with
# status 2 and say why.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
SRC_DIR=$(cd "$2" && pwd)
BIN="$BUILD_DIR/krel"
[ -x "$BIN" ] || { echo "krel not built at $BIN"; exit 1; }
[ -f "$BUILD_DIR/arms.dat" ] && [ -f "$BUILD_DIR/level.bmp" ] || { echo "SKIP: no arms.dat or level.bmp"; exit 77; }

WORK=$(mktemp -d)
trap 'kill "${reader:-}" 2> /dev/null || true; rm -rf "$WORK"' EXIT
cd "$WORK"
# No player's data folder: it would come before the build's files.
export KREL_CONFIG_DIR="$WORK/cfg" XDG_DATA_HOME="$WORK/data"

KREL_DUMP=dump.json "$BIN" --play "$SRC_DIR/tests/recordings/two_humans.rec" --headless
diff "$SRC_DIR/tests/recordings/two_humans.dump" dump.json
[ ! -e cfg ] || { echo "playback wrote settings"; exit 1; }

# Reports go through links and into pipes as they are; one that cannot be
# written (a disk full after 1 KiB, its signal ignored) is said, the game
# plays on, and the run ends with status 1.
ln -s dump.json dump-link
mkfifo trace-pipe
cat trace-pipe > trace.txt &
reader=$!
KREL_DUMP=dump-link KREL_TRACE=trace-pipe "$BIN" --play "$SRC_DIR/tests/recordings/two_humans.rec" --headless
[ -p trace-pipe ] || { kill "$reader"; echo "the trace replaced its pipe"; exit 1; }
wait "$reader"
[ -L dump-link ] && [ "$(wc -l < dump.json)" = 2 ] && [ -s trace.txt ] ||
  { echo "a report replaced its link or pipe"; ls -l; exit 1; }
status=0
( trap '' XFSZ; ulimit -f 1; KREL_TRACE=full.trace exec "$BIN" --play "$SRC_DIR/tests/recordings/two_humans.rec" \
  --headless ) 2> err.txt || status=$?
[ "$status" = 1 ] && grep -q '^krel: KREL_TRACE: cannot write full.trace: File too large' err.txt ||
  { echo "a trace to a full disk: status $status"; cat err.txt; exit 1; }

# A recording made on another level plays on and says so once.
sed 's/^LEVEL .*/LEVEL 12345678/' "$SRC_DIR/tests/recordings/two_humans.rec" > other.rec
"$BIN" --play other.rec --headless 2> err.txt
[ "$(grep -c 'differ' err.txt)" = 1 ] && grep -qx 'krel: other.rec: recorded with another level: the result may differ' err.txt ||
  { echo "notice of another level:"; cat err.txt; exit 1; }

printf 'SEED 1\n3 -\n2 NOSUCHKEY\n' > bad.rec
status=0
"$BIN" --play bad.rec --headless 2> err.txt || status=$?
[ "$status" = 2 ] || { echo "malformed recording: status $status"; exit 1; }
grep -q '^bad.rec, line 3: unknown key "NOSUCHKEY"' err.txt || { cat err.txt; exit 1; }

status=0
"$BIN" --speed 2 2> err.txt || status=$?
[ "$status" = 2 ] && grep -q -- '--speed only applies to --play' err.txt || { echo "status $status"; cat err.txt; exit 1; }
echo ok
