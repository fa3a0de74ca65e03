#!/usr/bin/env bash
# The build's copy of a shipped data file: made when missing, renewed while
# unchanged, never over a file the player changed.
set -euo pipefail
SOURCE_DIR=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
place() {
  cmake -DSRC="$WORK/shipped.dat" -DDST="$WORK/arms.dat" -DSTAMP="$WORK/stamp" \
        -P "$SOURCE_DIR/cmake/shipped_file.cmake" 2> "$WORK/err"
}
expect() {  # expect CONTENT [kept]
  [ "$(cat "$WORK/arms.dat")" = "$1" ] || { echo "beside the program: '$(cat "$WORK/arms.dat")', want '$1'"; exit 1; }
  if [ "${2:-}" = kept ]; then
    grep -q "^Keeping your changed $WORK/arms.dat" "$WORK/err" || { echo "no notice"; cat "$WORK/err"; exit 1; }
  else
    [ ! -s "$WORK/err" ] || { echo "unexpected output:"; cat "$WORK/err"; exit 1; }
  fi
}

echo v1 > "$WORK/shipped.dat"
place; expect v1                               # first build
place; expect v1                               # the same again
echo v2 > "$WORK/shipped.dat"; place; expect v2  # a new shipped version replaces an unchanged copy
echo mine > "$WORK/arms.dat"
place; expect mine kept                        # the player's file stays, said in one line
[ "$(wc -l < "$WORK/err")" -eq 1 ] || { echo "notice is not one line"; exit 1; }
echo v3 > "$WORK/shipped.dat"; place; expect mine kept  # also when the shipped one changes
rm "$WORK/arms.dat"; place; expect v3          # deleting it brings the shipped one back
echo "shipped files e2e ok"
