#!/usr/bin/env bash
# The krel-arms binary end to end: exit statuses, the check line, the error
# message and a dump that a JSON parser accepts.
set -euo pipefail
BUILD_DIR=$1
BIN="$BUILD_DIR/krel-arms"
[ -x "$BIN" ] || { echo "krel-arms not built at $BIN"; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

printf 'ORDER:1\r\nNAME:Gun\r\nSHOTTYPE:4\r\nORDER:2\r\nNAME:Bat\r\nOBJECT:\r\nSPEED:5\r\nSOBJECT:\r\nDAMAGE:3\r\n' > "$WORK/good.dat"
out=$("$BIN" check "$WORK/good.dat")
case "$out" in
  "ok: 2 weapons, 1 object, 1 special object"*) ;;
  *) echo "unexpected check output: $out"; exit 1 ;;
esac

"$BIN" dump "$WORK/good.dat" > "$WORK/dump.json"
if command -v python3 > /dev/null; then
  python3 - "$WORK/dump.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
assert sorted(d) == ["ObjDefs", "SObjDefs", "WeaponDefs"], d.keys()
assert len(d["WeaponDefs"]) == 42 and len(d["ObjDefs"]) == 31 and len(d["SObjDefs"]) == 21
assert d["WeaponDefs"]["1"]["NAME"] == "Gun" and d["WeaponDefs"]["1"]["SPEED"] == 32000
assert d["WeaponDefs"]["2"]["NAME"] == "Bat"
assert d["ObjDefs"]["1"]["SPEED"] == 5 and d["SObjDefs"]["1"]["DAMAGE"] == 3
PY
else
  grep -q '"NAME": "Gun"' "$WORK/dump.json"
fi

printf 'ORDER:1\r\nSPEED:fast\r\n' > "$WORK/bad.dat"
set +e
err=$("$BIN" check "$WORK/bad.dat" 2>&1 >/dev/null); rc=$?
set -e
[ "$rc" -eq 1 ] || { echo "bad file: exit $rc, want 1"; exit 1; }
[ "$err" = "$WORK/bad.dat:2: SPEED: \"fast\" is not a number" ] || { echo "unexpected error: $err"; exit 1; }

set +e
"$BIN" check "$WORK/missing.dat" > /dev/null 2>&1; rc=$?
"$BIN" > /dev/null 2>&1; usage=$?
set -e
[ "$rc" -eq 1 ] || { echo "missing file: exit $rc, want 1"; exit 1; }
[ "$usage" -eq 2 ] || { echo "no arguments: exit $usage, want 2"; exit 1; }

# A dump that does not fit on the disk (a file size limit of 1 KiB, its
# signal ignored) fails and says why.
set +e
( trap '' XFSZ; ulimit -f 1; exec "$BIN" dump "$WORK/good.dat" ) > "$WORK/full.json" 2> "$WORK/err"; rc=$?
set -e
[ "$rc" -eq 1 ] && grep -q "^krel-arms: standard output: File too large" "$WORK/err" \
  || { echo "a dump to a full disk: exit $rc"; cat "$WORK/err"; exit 1; }
echo "krel-arms e2e ok"
