#!/usr/bin/env bash
# How often the strongest ace stays over 5 s inside a 24-pixel box, summed
# over seed sets of 100 games each, ACE against CPU and ACE against ACE:
#
#   bench/ace_stays.sh BUILD_DIR [FIRST_SEED ...]     (default 401 501 601 701)
#
# prints a line per seed set and the total of ACE worm-games with such a stay
# (out of 300 a set). A change to the ace moves a set by a few stays on its
# own, so compare totals over several sets, and over sets the change was not
# tuned on. The two matches of a set run side by side.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
shift
SEEDS=("$@")
[ ${#SEEDS[@]} -gt 0 ] || SEEDS=(401 501 601 701)
ARENA="$BUILD_DIR/krel-arena"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# The number after "key": in the totals of an arena JSON line.
total() { grep -o "\"totals\":.*" "$1" | grep -o "\"$2\":[0-9]*" | head -1 | cut -d: -f2; }

sum=0
for seed in "${SEEDS[@]}"; do
  "$ARENA" --data "$BUILD_DIR" --a ace --b cpu --games 100 --seed "$seed" >"$TMP/cpu.txt" 2>/dev/null &
  "$ARENA" --data "$BUILD_DIR" --a ace --b ace --games 100 --seed "$seed" >"$TMP/ace.txt" 2>/dev/null
  wait
  vsCpu=$(total "$TMP/cpu.txt" a_games_over_box)
  vsAce=$(($(total "$TMP/ace.txt" a_games_over_box) + $(total "$TMP/ace.txt" b_games_over_box)))
  echo "seeds $seed-$((seed + 99)): against CPU $vsCpu, ACE against ACE $vsAce"
  sum=$((sum + vsCpu + vsAce))
done
echo "total: $sum of $((300 * ${#SEEDS[@]})) ACE worm-games stayed over 5 s in the box"
