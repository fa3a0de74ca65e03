#!/usr/bin/env bash
# The real krel binary under SDL's dummy video and audio drivers: a key
# script lets a local game run for a second and presses Escape. The program
# must end with status 0, append six well-formed lines to performance.log in
# its working directory, write its settings into KREL_CONFIG_DIR and one
# KREL_DUMP line for the game.
#
# While the main menu is still the stand-in that starts one local game at
# once, every read of the script is a game frame. A real menu reads the
# keyboard too; then the script has to choose "NEW LOCAL GAME" first.
set -euo pipefail
BUILD_DIR=$1
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
cat > keys.txt <<'KEYS'
# about a second of play, then leave the game
25 -
1 ESCAPE
KEYS

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export KREL_CONFIG_DIR="$WORK/config" KREL_INPUT="$WORK/keys.txt" KREL_DUMP="$WORK/dump.jsonl" KREL_SEED=1
# SDL keeps allocations of its own until exit; they are not the game's.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

status=0
timeout 60 "$BIN" > out.txt 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "krel exited with status $status"
  cat out.txt
  exit 1
fi

[ -f performance.log ] || { echo "no performance.log"; cat out.txt; exit 1; }
# Six lines, each "<label>: <digits>" and CR LF, "Schüsse" with the byte 0xFC.
expected=$(printf 'Warten\nSpieler\nSch\xfcsse\nObjekte\nSObjs\nAnzeigen')
labels=$(LC_ALL=C sed -n 's/^\([A-Za-z\xfc]*\): \(0\|[1-9][0-9]*\)\r$/\1/p' performance.log)
if [ "$labels" != "$expected" ] || [ "$(wc -l < performance.log)" -ne 6 ]; then
  echo "performance.log is not six well-formed lines:"
  od -c performance.log | head -20
  exit 1
fi

[ -f config/krel.ini ] || { echo "settings not saved in KREL_CONFIG_DIR"; exit 1; }
grep -q '^"Right "="205"$' config/krel.ini || { echo "player 1's right key not saved"; cat config/krel.ini; exit 1; }

[ "$(wc -l < dump.jsonl)" -eq 1 ] || { echo "expected one dump line"; cat dump.jsonl; exit 1; }
grep -q '"end":"escape","NumPlayers":2,' dump.jsonl || { echo "unexpected dump:"; cat dump.jsonl; exit 1; }
if command -v python3 > /dev/null; then
  python3 - dump.jsonl <<'PY'
import json, sys
d = json.loads(open(sys.argv[1], encoding="utf-8").readline())
assert d["frames"] > 25, d
assert [p["Name"] for p in d["players"]] == ["Player 1".ljust(20), "Player 2".ljust(20)], d
assert all(p["Lives"] == 15 and p["Health"] == 100 for p in d["players"]), d
assert isinstance(d["LevelChecksum"], int) and d["LevelWidth"] > 0, d
PY
fi
echo "ok"
