#!/usr/bin/env bash
# krel-trace compare on real files: the same, different, and unreadable
# traces (among them one line of deep nesting, which once overflowed the
# stack) give exit status 0, 1 and 2.
set -euo pipefail
TRACE="$1/krel-trace"
[ -x "$TRACE" ] || { echo "SKIP: $TRACE is not built yet"; exit 77; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
printf '{"game":1,"frame":1,"players":[{"n":1,"X":2}],"Shots":0}\n' > "$WORK/a"
printf '{"game":1,"frame":1,"players":[{"n":1,"X":3}],"Shots":0}\n' > "$WORK/b"
python3 -c 'print("{\"a\":" + "[" * 300000)' > "$WORK/deep"
printf '{"game":1,\n' > "$WORK/broken"
check() {
  local want=$1 text=$2 status=0
  shift 2
  "$TRACE" compare "$@" > "$WORK/out" 2>&1 || status=$?
  [ "$status" -eq "$want" ] && grep -q "$text" "$WORK/out" && return 0
  echo "FAIL: compare $* gave status $status (want $want and \"$text\"):"; cat "$WORK/out"; exit 1
}
check 0 "the traces agree" "$WORK/a" "$WORK/a"
check 1 "players\[1\].X is 2" "$WORK/a" "$WORK/b"
check 2 "unreadable trace: .*deep, line 1: nested deeper than 64 levels" "$WORK/a" "$WORK/deep"
check 2 "unreadable trace: .*broken, line 1" "$WORK/broken" "$WORK/a"
echo "ok"
