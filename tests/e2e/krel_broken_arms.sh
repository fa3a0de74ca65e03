#!/usr/bin/env bash
# A broken arms.dat never leaves krel hanging: on a real (virtual) screen its
# message box ends at SIGTERM, and with a key script (nobody at the keyboard)
# the message goes to stderr and krel exits with status 1 at once. A weapon
# file with LF line ends plays like one with CR LF.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
BIN="$BUILD_DIR/krel"
[ -x "$BIN" ] && [ -f "$BUILD_DIR/level.bmp" ] || { echo "SKIP: krel or level.bmp not built"; exit 77; }
command -v Xvfb > /dev/null || { echo "SKIP: no Xvfb"; exit 77; }

WORK=$(mktemp -d)
XPID=
cleanup() { [ -z "$XPID" ] || kill "$XPID" 2> /dev/null || true; rm -rf "$WORK"; }
trap cleanup EXIT
# A copy of the program with a broken arms.dat beside it, and no player's
# data folder (which krel would read first).
mkdir -p "$WORK/bin"
cp "$BIN" "$BUILD_DIR/level.bmp" "$WORK/bin/"
printf 'ORDER:1\r\nSPEED:fast\r\n' > "$WORK/bin/arms.dat"

# A screen of our own; Xvfb picks a free display number and says which.
exec 3> "$WORK/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp > "$WORK/xvfb.txt" 2>&1 &
XPID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || { echo "Xvfb did not start"; cat "$WORK/xvfb.txt"; exit 1; }
export DISPLAY=":$(head -1 "$WORK/display")" SDL_AUDIODRIVER=dummy KREL_CONFIG_DIR="$WORK/config" XDG_DATA_HOME="$WORK/data"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
cd "$WORK"

# A key script: stderr and status 1 at once.
printf '10 -\n' > keys.txt
status=0
KREL_INPUT=keys.txt timeout 60 "$WORK/bin/krel" --window > out.txt 2>&1 || status=$?
[ "$status" -eq 1 ] || { echo "with a key script: status $status, want 1"; cat out.txt; exit 1; }
grep -qF 'arms.dat:2: SPEED: "fast" is not a number' out.txt || { cat out.txt; exit 1; }

# Someone at the screen: the box waits, but SIGTERM ends the program and
# takes the box (a process SDL forks for it) along. SDL can show a box only
# where the X server has its fonts (xfonts-base); without, krel ends at once.
"$WORK/bin/krel" --window > box.txt 2>&1 &
pid=$!
for _ in $(seq 300); do grep -q 'is not a number' box.txt && break; sleep 0.1; done
# The box is up once krel has its child; without fonts krel ends instead.
box=
for _ in $(seq 300); do
  box=$(cat "/proc/$pid/task/$pid/children" 2> /dev/null || true)
  [ -n "$box" ] && break
  kill -0 "$pid" 2> /dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2> /dev/null && [ -n "$box" ]; then
  kill -TERM "$pid"
  ended=
  for _ in $(seq 100); do kill -0 "$pid" 2> /dev/null || { ended=1; break; }; sleep 0.1; done
  [ -n "$ended" ] || { kill -KILL "$pid"; echo "SIGTERM did not end krel in its message box"; exit 1; }
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq 143 ] || { echo "after SIGTERM: status $status, want 143"; cat box.txt; exit 1; }
  for _ in $(seq 50); do kill -0 $box 2> /dev/null || break; sleep 0.1; done
  ! kill -0 $box 2> /dev/null || { kill -KILL $box; echo "the message box outlived krel"; exit 1; }
else
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq 1 ] || { echo "no box shown: status $status, want 1"; cat box.txt; exit 1; }
  echo "note: this X server could not show a message box; SIGTERM in a box not tried"
fi

# LF line ends: the game starts and plays on the script's keys.
sed 's/\r$//' "$BUILD_DIR/arms.dat" > "$WORK/bin/arms.dat"
! grep -q $'\r' "$WORK/bin/arms.dat"
printf '3 -\n1 RETURN\n3 -\n1 RETURN\n20 -\n1 ESCAPE\n' > keys.txt
status=0
KREL_INPUT=keys.txt KREL_DUMP=dump.jsonl timeout 60 "$WORK/bin/krel" --window > lf.txt 2>&1 || status=$?
[ "$status" -eq 0 ] && [ "$(wc -l < dump.jsonl)" -eq 1 ] || { echo "LF arms.dat: status $status"; cat lf.txt; exit 1; }
echo ok
