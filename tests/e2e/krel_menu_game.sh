#!/usr/bin/env bash
# The whole program under SDL's dummy video and audio drivers, driven by a
# key script through the menus: raise the lives on the options page, hand
# both worms to the computer in the two player editors, start a local game,
# let the computer players fight for ten seconds, leave with Escape and quit
# from the menu. Then krel must have ended with status 0, saved its settings
# (lives raised, the controller choice not kept), appended six well-formed
# lines to performance.log and written one KREL_DUMP line showing both worms
# in play for the whole game.
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
# per press, so presses are separated by a pass with no key.
cat > keys.txt <<'KEYS'
3 -
1 DOWN
1 -
1 DOWN
1 -
1 RETURN    # OPTIONS: the options page, on LIVES
1 -
1 RIGHT
1 -
1 RIGHT     # lives 17
1 -
1 DOWN
1 -
1 DOWN
1 -
1 DOWN
1 -
1 DOWN
1 -
1 RETURN    # PLAYER 1 OPTIONS
1 -
1 UP        # from NAME round to CONTROLLER
1 -
1 RETURN    # CPU
1 -
1 ESCAPE
1 -
1 DOWN
1 -
1 RETURN    # PLAYER 2 OPTIONS
1 -
1 UP
1 -
1 RETURN
1 -
1 ESCAPE
1 -
1 ESCAPE    # back to the main page, on OPTIONS
1 -
1 UP
1 -
1 UP
1 -
1 RETURN    # NEW LOCAL GAME: weapon selection once Enter is up
3 -
1 RETURN    # keep the weapons shown
250 -       # the computer plays both worms
1 ESCAPE
2 -
1 UP        # from NEW LOCAL GAME round to QUIT TO OS
1 -
1 RETURN
KEYS

# An earlier game's report stays; the new one follows it.
printf 'Warten: 7\r\nSpieler: 1\r\nSch\xfcsse: 0\r\nObjekte: 0\r\nSObjs: 0\r\nAnzeigen: 3\r\n' > performance.log
cp performance.log old.log

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

# The old block untouched, then six lines "<label>: <digits>" with CR LF,
# "Schüsse" with the byte 0xFC.
[ "$(head -c "$(wc -c < old.log)" performance.log | cmp - old.log && echo same)" = same ] ||
  fail "performance.log lost its earlier lines" performance.log
tail -n +7 performance.log > new.log
expected=$(printf 'Warten\nSpieler\nSch\xfcsse\nObjekte\nSObjs\nAnzeigen')
labels=$(LC_ALL=C sed -n 's/^\([A-Za-z\xfc]*\): \(0\|[1-9][0-9]*\)\r$/\1/p' new.log)
if [ "$labels" != "$expected" ] || [ "$(wc -l < new.log)" -ne 6 ]; then
  echo "performance.log did not get six well-formed lines:"
  od -c performance.log | head -30
  exit 1
fi

ini=config/krel.ini
[ -f "$ini" ] || fail "settings not saved in KREL_CONFIG_DIR" out.txt
for line in '"Lives"="17"' '"Loading"="100"' '"LAndC"="1"' '"Regenerate"="1"' '"Name"="Player 1"' \
            '"Name"="Player 2"' '"Right "="205"' '"Right"="33"' '"Select"="46"'; do
  grep -qxF "$line" "$ini" || fail "krel.ini lacks $line" "$ini"
done
# Who controls a worm is chosen anew in every run.
! grep -q Computer "$ini" || fail "the controller choice was saved" "$ini"

[ "$(wc -l < dump.jsonl)" -eq 1 ] || fail "expected one dump line" dump.jsonl
python3 - dump.jsonl <<'PY'
import json, sys
d = json.loads(open(sys.argv[1], encoding="utf-8").readline())
assert d["end"] == "escape" and d["NumPlayers"] == 2, d
# 250 frames read no key, the 251st read Escape and the 252nd acted on it.
assert d["frames"] == 252, d
players = d["players"]
assert [p["Name"] for p in players] == ["Player 1".ljust(20), "Player 2".ljust(20)], d
# A worm enters play only when its jump key is pressed: the computer did it.
assert all(p["Alive"] and p["Age"] == 252 for p in players), d
assert all(p["Lives"] <= 17 and p["Kills"] >= 0 for p in players), d
PY
echo "ok"
