#!/usr/bin/env bash
# Levels and weapon files the ace was not tuned on, for krel-arena:
#
#   bench/ace_variants.sh BUILD_DIR OUTDIR
#
# writes into OUTDIR
#   caves.bmp, islands.bmp, tunnels.bmp   generated levels of three styles
#                                         (krel-content level, seeds 7, 424242, 99)
#   slow.dat     the shipped weapons with every weapon's speed halved
#   heavy.dat    every weapon's gravity doubled
#   bouncing.dat every weapon on a timer bounces off the ground instead of
#                bursting on it (BOUNCE 60, no GROUNDEXPLODE)
# and checks each weapon file with krel-arms. Only the weapon section (from
# the first ORDER line to the first OBJECT line) is changed.
#
# Then, for example:
#   krel-arena --a ace --b ace --games 20 --seed 1 --level OUTDIR/caves.bmp
#   krel-arena --a ace --b cpu --games 20 --seed 1 --arms OUTDIR/bouncing.dat
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
OUT=$2
mkdir -p "$OUT"
ARMS="$BUILD_DIR/arms.dat"

"$BUILD_DIR/krel-content" level --style caves --seed 7 "$OUT/caves.bmp"
"$BUILD_DIR/krel-content" level --style islands --seed 424242 "$OUT/islands.bmp"
"$BUILD_DIR/krel-content" level --style tunnels --seed 99 "$OUT/tunnels.bmp"

# Each weapon's lines are gathered and then written changed as $kind says.
variant() {
  awk -v kind="$1" '
    function emit(   n, i, kv, timed, bounced, out) {
      n = split(block, lines, "\n")
      timed = block ~ /(^|\n)TIMETOEXPLODE:[1-9]/
      for (i = 1; i < n; ++i) {
        split(lines[i], kv, ":")
        if (kind == "slow" && kv[1] == "SPEED") lines[i] = "SPEED:" int(kv[2] / 2)
        if (kind == "heavy" && kv[1] == "GRAVITY") lines[i] = "GRAVITY:" kv[2] * 2
        if (kind == "bouncing" && timed && kv[1] == "GROUNDEXPLODE") continue
        if (kind == "bouncing" && timed && kv[1] == "BOUNCE") { lines[i] = "BOUNCE:60"; bounced = 1 }
        print lines[i]
      }
      if (kind == "bouncing" && timed && !bounced) print "BOUNCE:60"
      block = ""
    }
    /^ORDER:/ { if (inWeapon) emit(); inWeapon = 1 }
    /^OBJECT:/ { if (inWeapon) emit(); inWeapon = 0 }
    { if (inWeapon) block = block $0 "\n"; else print }
    END { if (inWeapon) emit() }' "$ARMS"
}
for kind in slow heavy bouncing; do
  variant "$kind" >"$OUT/$kind.dat"
done
for kind in slow heavy bouncing; do
  "$BUILD_DIR/krel-arms" check "$OUT/$kind.dat"
done
ls -l "$OUT"
