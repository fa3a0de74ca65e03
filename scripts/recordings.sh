#!/usr/bin/env bash
# The recorded games of the accuracy test (tests/recordings/).
#
#   scripts/recordings.sh BUILD_DIR          plays every NAME.rec headless and
#                                            writes what it must produce:
#                                            NAME.dump (KREL_DUMP) and
#                                            NAME.trace (KREL_TRACE, every
#                                            10th frame)
#   scripts/recordings.sh BUILD_DIR record   first records NAME.rec anew from
#                                            src/NAME.keys (the scripted
#                                            players), src/NAME.ini (the
#                                            settings) and the seed below
#
# `make recordings` runs the first form with the release build: after a
# deliberate change to the simulation, review the changed .dump lines.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
MODE=${2:-expect}
HERE=$(cd "$(dirname "$0")/.." && pwd)/tests/recordings
BIN="$BUILD_DIR/krel"
[ -x "$BIN" ] || { echo "krel not built at $BIN" >&2; exit 1; }

# The seed of each recording: chosen so that the games have deaths.
declare -A SEEDS=([cpu_duel]=3 [human_vs_cpu]=11 [two_humans]=7)

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"   # performance.log goes here
# The build's arms.dat and level.bmp, never a player's own (read first).
export XDG_DATA_HOME="$WORK/data"

if [ "$MODE" = record ]; then
  for keys in "$HERE"/src/*.keys; do
    name=$(basename "$keys" .keys)
    rm -rf cfg && mkdir cfg
    [ -f "$HERE/src/$name.ini" ] && cp "$HERE/src/$name.ini" cfg/krel.ini
    KREL_CONFIG_DIR="$WORK/cfg" KREL_SEED="${SEEDS[$name]:-1}" KREL_INPUT="$keys" \
      "$BIN" --record "$HERE/$name.rec" --headless
    echo "recorded $name.rec"
  done
elif [ "$MODE" != expect ]; then
  echo "usage: $0 BUILD_DIR [record]" >&2
  exit 2
fi

for rec in "$HERE"/*.rec; do
  name=$(basename "$rec" .rec)
  rm -f "$HERE/$name.dump" "$HERE/$name.trace"
  KREL_CONFIG_DIR="$WORK/none" KREL_DUMP="$HERE/$name.dump" KREL_TRACE="$HERE/$name.trace" KREL_TRACE_EVERY=10 \
    "$BIN" --play "$rec" --headless
  echo "$name: $(wc -l < "$HERE/$name.dump") games, $(wc -l < "$HERE/$name.trace") trace lines"
done
