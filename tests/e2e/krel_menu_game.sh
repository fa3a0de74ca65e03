#!/usr/bin/env bash
# The whole program under SDL's dummy drivers, driven by a key script: raise
# the lives, hand both worms to the computer, play a local game for ten
# seconds, leave with Escape, pass the results screen and quit. krel must end with status 0, name the
# files it loaded, save its settings, write performance.log and one KREL_DUMP line with both worms in play.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
BIN="$BUILD_DIR/krel"
[ -x "$BIN" ] || { echo "krel not built at $BIN"; exit 1; }
for f in arms.dat level.bmp; do
  if [ ! -f "$BUILD_DIR/$f" ]; then
    echo "SKIP: $BUILD_DIR/$f does not exist yet, so krel cannot start a game"
    exit 77
  fi
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
# One menu pass or one game frame reads one line's count; a key acts once
# per press, so each press is followed by a pass with no key.
press() { for key; do printf '1 %s\n1 -\n' "$key"; done; }
{
  echo '3 -'
  press DOWN DOWN RETURN              # OPTIONS: the options page, on LIVES
  press RIGHT RIGHT                   # lives 17
  press DOWN DOWN DOWN DOWN RETURN    # PLAYER 1 OPTIONS
  press UP RETURN ESCAPE              # from NAME round to CONTROLLER: CPU, and back
  press DOWN RETURN UP RETURN ESCAPE  # the same for PLAYER 2
  press ESCAPE UP UP                  # the main page, up to NEW LOCAL GAME
  printf '1 RETURN\n3 -\n1 RETURN\n'   # weapon selection once Enter is up; keep the weapons shown
  printf '250 -\n1 ESCAPE\n2 -\n'      # the computer plays both worms, then Escape
  press SPACE                         # past the results screen
  press UP                            # from NEW LOCAL GAME round to QUIT TO OS
  echo '1 RETURN'
} > keys.txt

# A level in the player's own folder is played before the build's copy; the
# build's weapons go with it.
export XDG_DATA_HOME="$WORK/data"
mkdir -p data/krel && cp "$BUILD_DIR/level.bmp" data/krel/
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export KREL_CONFIG_DIR="$WORK/config" KREL_INPUT="$WORK/keys.txt" KREL_DUMP="$WORK/dump.jsonl" KREL_SEED=1
# SDL keeps allocations of its own until exit; they are not the game's.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

status=0
timeout 120 "$BIN" > out.txt 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "krel exited with status $status"
  cat out.txt
  exit 1
fi

fail() { echo "$1"; shift; for f in "$@"; do echo "--- $f"; cat "$f"; done; exit 1; }

grep -qxF "krel: level from $WORK/data/krel/level.bmp" out.txt &&
  grep -qxF "krel: weapons from $(cd "$BUILD_DIR" && pwd -P)/arms.dat" out.txt ||
  fail "krel did not name the files it loaded, the player's level first" out.txt

# What the six lines hold, and that earlier games' lines stay, is the game
# loop test's concern; here only that the program writes them where it runs.
[ "$(wc -l < performance.log)" -eq 6 ] || fail "expected six lines in performance.log" performance.log

ini=config/krel.ini
for line in '"Lives"="17"' '"Name"="Player 2"' '"Right "="205"'; do
  grep -qxF "$line" "$ini" || fail "krel.ini lacks $line" "$ini"
done
# Who controls a worm is remembered for the next run.
[ "$(grep -cxF '"Computer"="1"' "$ini")" -eq 2 ] || fail "the CPU choice of both players was not saved" "$ini"

[ "$(wc -l < dump.jsonl)" -eq 1 ] || fail "expected one dump line" dump.jsonl
python3 - dump.jsonl <<'PY'
import json, sys
d = json.loads(open(sys.argv[1], encoding="utf-8").readline())
assert d["end"] == "escape" and d["NumPlayers"] == 2, d
# 250 frames read no key, the 251st read Escape and the 252nd acted on it.
assert d["frames"] == 252, d
players = d["players"]
# A worm enters play only when its jump key is pressed: the computer did it.
assert all(p["Alive"] and p["Age"] == 252 for p in players), d
PY
echo "ok"
