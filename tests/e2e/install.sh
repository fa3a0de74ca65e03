#!/usr/bin/env bash
# `make install DESTDIR=...` of this build writes the whole installed tree,
# the installed programs start from it, and `make uninstall` removes exactly
# what was written. The build is installed as it is (INSTALL_BUILD=), so
# the test does not start a second, release build of its own.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
SRC_DIR=$(cd "$2" && pwd)
[ -x "$BUILD_DIR/krel" ] || { echo "SKIP: krel is not built"; exit 77; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
DEST="$WORK/root"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

make -s -C "$SRC_DIR" install DESTDIR="$DEST" RELEASE_DIR="$BUILD_DIR" INSTALL_BUILD= > "$WORK/install.log" 2>&1 ||
  { echo "make install failed:"; cat "$WORK/install.log"; exit 1; }
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$BUILD_DIR/CMakeCache.txt")
root="$DEST$prefix"

# Every program a user runs, each with its man page.
programs=(krel krel-arms krel-content krel-bot krel-trace krel-arena)
[ -x "$BUILD_DIR/krelServer" ] && programs+=(krelServer)
[ -x "$BUILD_DIR/krelList" ] && programs+=(krelList)
expected=(
  share/krel/arms.dat share/krel/level.bmp
  share/applications/krel.desktop
  share/icons/hicolor/32x32/apps/krel.png share/icons/hicolor/64x64/apps/krel.png
  share/icons/hicolor/128x128/apps/krel.png
  share/doc/krel/README.md share/doc/krel/data/README.md share/doc/krel/docs/server.md
  share/doc/krel/docs/developers.md share/doc/krel/docs/performance.md
  lib/systemd/system/krelServer@.service lib/systemd/system/krelList.service
)
for p in "${programs[@]}"; do expected+=("bin/$p" "share/man/man6/$p.6"); done
for f in "${expected[@]}"; do
  [ -s "$root/$f" ] || { echo "not installed: $f"; find "$DEST" -type f; exit 1; }
done
written=$(find "$DEST" -type f | wc -l)
[ "$written" -eq "${#expected[@]}" ] || { echo "installed $written files, expected ${#expected[@]}:"; find "$DEST" -type f; exit 1; }
cmp -s "$root/share/krel/arms.dat" "$SRC_DIR/data/arms.dat" || { echo "installed arms.dat is not the shipped one"; exit 1; }
cmp -s "$root/share/doc/krel/data/README.md" "$SRC_DIR/data/README.md" || { echo "installed modding guide differs"; exit 1; }
for size in 32 64 128; do
  # The PNG header states the size: width and height at bytes 16..23.
  dims=$(od -An -tu1 -j16 -N8 "$root/share/icons/hicolor/${size}x${size}/apps/krel.png" | tr -s ' ')
  [ "$dims" = " 0 0 0 $size 0 0 0 $size" ] || { echo "icon ${size}: header says $dims"; exit 1; }
done

# The installed programs run from there.
version=$("$root/bin/krel" --version)
case "$version" in "Krel 0.82 (build "*")") ;; *) echo "krel --version printed: $version"; exit 1 ;; esac
grep -q "^ExecStart=$prefix/bin/krelList " "$root/lib/systemd/system/krelList.service" ||
  { echo "unit does not start the installed krelList"; exit 1; }
grep -q "^ExecStart=$prefix/bin/krelServer --port %i --announce-to \${KREL_ANNOUNCE_TO} .*\$KREL_SERVER_OPTIONS$" \
  "$root/lib/systemd/system/krelServer@.service" || { echo "unit does not start the installed krelServer"; exit 1; }
grep -q "$prefix/share/krel" "$root/share/man/man6/krel.6" || { echo "krel.6 does not name the data folder"; exit 1; }

# Each page names every option its program's --help lists (the servers' help
# at least these), and krel's help and page name every KREL_ variable the
# game reads.
declare -A must_list=([krelServer]="--port --announce-port --announce-to --bind" [krelList]="--expire")
for p in "${programs[@]}"; do
  "$root/bin/$p" --help > "$WORK/help.txt" || { echo "$p --help failed"; exit 1; }
  for opt in ${must_list[$p]:-}; do
    grep -q -- "$opt" "$WORK/help.txt" || { echo "$p --help does not list $opt"; exit 1; }
  done
  page=$(sed 's/\\-/-/g' "$root/share/man/man6/$p.6")
  for opt in $(grep -oE -- '--[a-z][a-z-]*' "$WORK/help.txt" | sort -u); do
    grep -qF -- "$opt" <<< "$page" || { echo "$p.6 does not describe $opt"; exit 1; }
  done
done
"$root/bin/krel" --help > "$WORK/help.txt"
for var in $(grep -rhoE '"KREL_[A-Z_]+"' "$SRC_DIR/client" "$SRC_DIR/platform" | tr -d '"' | sort -u); do
  grep -q "$var\b" "$WORK/help.txt" || { echo "krel --help does not name $var"; exit 1; }
  grep -q "$var\b" "$root/share/man/man6/krel.6" || { echo "krel.6 does not name $var"; exit 1; }
done

# A --dump folder that is not there is said once, before any bot starts.
status=0
"$root/bin/krel-bot" 127.0.0.1 --dump "$WORK/no-such-folder" > "$WORK/bot.txt" 2>&1 || status=$?
[ "$status" -eq 2 ] && [ "$(grep -c "no-such-folder" "$WORK/bot.txt")" -eq 1 ] ||
  { echo "krel-bot --dump with a missing folder: status $status"; cat "$WORK/bot.txt"; exit 1; }

# The installed krel has no data beside it: it finds the files in the
# player's data folder, and without them names every place it looked.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy KREL_CONFIG_DIR="$WORK/config"
mkdir -p "$WORK/home" && printf '5 -\n1 ESCAPE\n' > "$WORK/keys.txt"
if [ ! -e "$prefix/share/krel/arms.dat" ]; then
  status=0
  (cd "$WORK" && HOME="$WORK/home" XDG_DATA_HOME= timeout 60 "$root/bin/krel" > "$WORK/missing.txt" 2>&1) || status=$?
  looked="arms.dat was looked for in: $WORK/home/.local/share/krel, $root/bin, $prefix/share/krel"
  [ "$status" -eq 1 ] && grep -qF "$looked" "$WORK/missing.txt" ||
    { echo "krel without data: status $status, expected the places it looked:"; cat "$WORK/missing.txt"; exit 1; }
fi
status=0
(cd "$WORK" && HOME="$WORK/home" XDG_DATA_HOME="$root/share" KREL_INPUT="$WORK/keys.txt" timeout 60 "$root/bin/krel" \
  > "$WORK/run.txt" 2>&1) || status=$?
[ "$status" -eq 0 ] || { echo "installed krel with XDG_DATA_HOME: status $status"; cat "$WORK/run.txt"; exit 1; }

if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$root/share/applications/krel.desktop"
fi
if command -v groff > /dev/null; then
  for p in "${programs[@]}"; do
    page=$p.6
    warnings=$(groff -man -ww -z "$root/share/man/man6/$page" 2>&1)
    [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
  done
fi

# A file of the player's own in the tree stays; everything installed goes.
touch "$root/share/krel/mine.bmp"
make -s -C "$SRC_DIR" uninstall DESTDIR="$DEST" RELEASE_DIR="$BUILD_DIR" > "$WORK/uninstall.log" 2>&1 ||
  { echo "make uninstall failed:"; cat "$WORK/uninstall.log"; exit 1; }
left=$(find "$DEST" -type f)
[ "$left" = "$root/share/krel/mine.bmp" ] || { echo "after uninstall:"; echo "$left"; exit 1; }
echo "ok"
