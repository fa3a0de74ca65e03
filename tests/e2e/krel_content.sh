#!/usr/bin/env bash
# The krel-content command line: --help, the refused command lines and seeds,
# and the reason a file cannot be written.
set -euo pipefail
BUILD_DIR=$1
SRC_DIR=${2:-$(dirname "$0")/../..}
BIN="$BUILD_DIR/krel-content"
[ -x "$BIN" ] || { echo "krel-content not built at $BIN"; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# run EXPECTED_STATUS ARGS...: stdout in $WORK/out, stderr in $WORK/err.
run() {
  local want=$1; shift
  set +e
  "$BIN" "$@" > "$WORK/out" 2> "$WORK/err"; local rc=$?
  set -e
  [ "$rc" -eq "$want" ] || { echo "krel-content $*: exit $rc, want $want"; cat "$WORK/err"; exit 1; }
}

run 0 --help
grep -q '^usage: krel-content build' "$WORK/out" && grep -q 'krel-content check' "$WORK/out" && [ ! -s "$WORK/err" ] \
  || { echo "--help: usage not on standard output"; exit 1; }
for args in "" "level" "build" "unknown x" "level a.bmp b.bmp"; do
  # shellcheck disable=SC2086
  run 2 $args
  grep -q '^usage:' "$WORK/err" && [ ! -s "$WORK/out" ] || { echo "'$args': usage not on stderr"; exit 1; }
done

for seed in -1 +5 " 5" 1x 18446744073709551616 99999999999999999999999 ""; do
  run 2 level --seed "$seed" "$WORK/x.bmp"
  grep -q "is not a whole number from 0 to 18446744073709551615" "$WORK/err" || { echo "seed '$seed' not refused"; exit 1; }
done
[ ! -e "$WORK/x.bmp" ] || { echo "a refused seed wrote a level"; exit 1; }
run 2 level --seed 7
grep -q "level: no FILE given" "$WORK/err" || { echo "a missing file name is not named:"; cat "$WORK/err"; exit 1; }
run 0 level --seed 18446744073709551615 "$WORK/max.bmp"
run 0 level --seed 0 "$WORK/zero.bmp"
cmp -s "$WORK/max.bmp" "$WORK/zero.bmp" && { echo "seeds 0 and 2^64-1 made the same level"; exit 1; }

run 2 level --style valleys "$WORK/x.bmp"
grep -q '"valleys" is not one of mixed, caves, islands, tunnels' "$WORK/err" || { echo "a style not refused"; exit 1; }
run 0 level --style mixed "$WORK/mixed.bmp"
cmp -s "$WORK/mixed.bmp" "$SRC_DIR/data/level.bmp" || { echo "seed 1 in the default style is not the shipped level"; exit 1; }
for style in caves islands tunnels; do
  run 0 level --seed 7 --style "$style" "$WORK/$style.bmp"
done
[ "$(cat "$WORK"/{caves,islands,tunnels}.bmp | wc -c)" -gt 0 ] && ! cmp -s "$WORK/caves.bmp" "$WORK/islands.bmp" &&
  ! cmp -s "$WORK/islands.bmp" "$WORK/tunnels.bmp" || { echo "the styles made the same level"; exit 1; }

run 1 level "$WORK/no/such/folder/x.bmp"
grep -q "cannot write .*x.bmp: No such file or directory" "$WORK/err" || { echo "no reason given:"; cat "$WORK/err"; exit 1; }

# A full disk, as any user can make one: a file size limit of 1 KiB (the
# limit's signal ignored, so that a write fails with EFBIG). Every output
# fails with status 1 and a reason; a file that was there stays whole, and no
# temporary file is left.
full() {
  local status=0
  ( trap '' XFSZ; ulimit -f 1; exec "$BIN" "$@" ) > "$WORK/out" 2> "$WORK/err" || status=$?
  [ "$status" -eq 1 ] && grep -q "cannot write .*File too large" "$WORK/err" && return 0
  echo "krel-content $* on a full disk: exit $status"; cat "$WORK/err"; exit 1
}
mkdir "$WORK/full"
cp "$WORK/zero.bmp" "$WORK/full/level.bmp"
printf 'old icon' > "$WORK/full/icon.png"
full level --seed 3 "$WORK/full/level.bmp"
full icon 512 "$WORK/full/icon.png"
full contact "$WORK/full/contact.bmp"
full build "$WORK/full/out"
cmp -s "$WORK/zero.bmp" "$WORK/full/level.bmp" || { echo "the old level was damaged"; exit 1; }
[ "$(cat "$WORK/full/icon.png")" = "old icon" ] || { echo "the old icon was damaged"; exit 1; }
[ "$(find "$WORK/full" -name '*.tmp*' | wc -l)" -eq 0 ] || { echo "temporary files left"; ls -R "$WORK/full"; exit 1; }
run 0 icon 512 "$WORK/full/icon.png"
[ "$(head -c 4 "$WORK/full/icon.png" | od -An -c | tr -d ' ')" = "211PNG" ] || { echo "no PNG written"; exit 1; }

# "-" is standard output (links and pipes: the file output tests).
"$BIN" level --seed 3 - > "$WORK/stdout.bmp"
run 0 level --seed 3 "$WORK/three.bmp"
cmp -s "$WORK/stdout.bmp" "$WORK/three.bmp" || { echo "level to - differs from the file"; exit 1; }
full level --seed 3 -
echo "krel-content e2e ok"
