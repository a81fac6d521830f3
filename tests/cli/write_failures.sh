#!/usr/bin/env bash
# velkaro-cli when writing fails or the job is told to stop: a full disk (a
# file-size limit) or a folder under the tile's name ends the run with exit 2
# and a message naming the file and the system's reason; SIGTERM and SIGHUP
# stop like Ctrl-C. No tile ever stands half-written under its final name, and no
# scratch file or temporary name is left behind.
set -u
bin=$1
cli="$bin/velkaro-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" == "$2" ] || fail "$3: expected [$2] got [$1]"; }
# Anything in the output folder that is neither a finished tile nor the index.
leftovers() { find "$1" -type f ! -name '*.bmp' ! -name 'indexmap.htm' ; find "$1" -name '*.tmp[0-9]*'; }

src="$work/src"; dst="$work/out"; mkdir -p "$src" "$dst"
job=(--set "kihon/readfolder=$src" --set "kihon/meshfolder=$src" --set "kihon/syoufolder=$src"
     --set "kihon/kkjfolder=$src" --set "kihon/writefolder=$dst" --set kihon/size=0
     --set area/namae=m --set area/zahyokei=33 --set area/kita=1000 --set area/higasi=1000
     --set area/yokodiv=1 --set area/tatediv=1)

# A full disk: the tile (557 KB) does not fit under a 64 KB file-size limit.
echo "previous tile" > "$dst/m.bmp"
(ulimit -f 128; "$cli" run - "${job[@]}" --yes --quiet > /dev/null 2> "$work/full.txt" < /dev/null)
expect_eq "$?" "2" "full disk exit code"
grep -q "$dst/m.bmp: File too large" "$work/full.txt" || fail "full disk message: $(cat "$work/full.txt")"
[ ! -e "$dst/m.bmp" ] || fail "a tile stands under its final name after a failed write"
expect_eq "$(leftovers "$dst")" "" "files left after the full disk"
[ ! -f "$XDG_CONFIG_HOME/Velkaro/LastDraw.pxj" ] || fail "failed run wrote LastDraw.pxj"

# A folder (not empty, so it is not removed as an old tile) under the tile's name.
mkdir -p "$dst/m.bmp" && touch "$dst/m.bmp/keep"
"$cli" run - "${job[@]}" --yes --quiet > /dev/null 2> "$work/folder.txt" < /dev/null
expect_eq "$?" "2" "folder under the name exit code"
grep -q "$dst/m.bmp: Is a directory" "$work/folder.txt" || fail "folder message: $(cat "$work/folder.txt")"
[ -f "$dst/m.bmp/keep" ] || fail "the folder's contents were touched"
expect_eq "$(leftovers "$dst" | grep -v m.bmp/keep)" "" "files left after the folder failure"
rm -rf "$dst/m.bmp"

# LastDraw.pxj cannot be saved (a folder has its name): the clean run still ends with exit 2.
mkdir -p "$XDG_CONFIG_HOME/Velkaro/LastDraw.pxj/x"
"$cli" run - "${job[@]}" --yes --quiet > /dev/null 2> "$work/last.txt" < /dev/null
expect_eq "$?" "2" "unsaved LastDraw.pxj exit code"
grep -q "LastDraw.pxj: Is a directory" "$work/last.txt" || fail "LastDraw message: $(cat "$work/last.txt")"
[ -f "$dst/m.bmp" ] || fail "the finished tile was not kept"
rm -rf "$XDG_CONFIG_HOME/Velkaro/LastDraw.pxj" "$dst/m.bmp"

# SIGTERM and a closed terminal (SIGHUP) stop a long job like Ctrl-C: exit 2,
# finished tiles kept, nothing else left.
for stop in TERM HUP; do
  rm -f "$dst"/m*.bmp
  # (SIGHUP back to its default, should the tests themselves run under nohup)
  env --default-signal=HUP "$cli" run - "${job[@]}" --set area/yokodiv=40 --set area/tatediv=40 --yes --quiet \
      > /dev/null 2>&1 < /dev/null &
  pid=$!
  for _ in $(seq 100); do [ -n "$(find "$dst" -name 'm_*.bmp' | head -1)" ] && break; sleep 0.1; done
  kill -$stop $pid
  wait $pid
  expect_eq "$?" "2" "SIG$stop exit code"
  written=$(find "$dst" -name 'm*.bmp' | wc -l)
  [ "$written" -ge 1 ] && [ "$written" -lt 1600 ] || fail "SIG$stop kept $written tiles"
  expect_eq "$(leftovers "$dst")" "" "files left after SIG$stop"
  for f in "$dst"/m*.bmp; do
    expect_eq "$(stat -c %s "$f")" "$((54 + 1088 * 512))" "$(basename "$f") whole after SIG$stop"
  done
done

# A worker killed outright (SIGKILL, as the out-of-memory killer does) fails
# the run with its reason; the parent removes what the worker could not.
rm -f "$dst"/m*.bmp
"$cli" run - "${job[@]}" --set area/yokodiv=40 --set area/tatediv=40 --yes --quiet --jobs 2 \
    > /dev/null 2> "$work/killed.txt" < /dev/null &
pid=$!
for _ in $(seq 100); do [ -n "$(find "$dst" -name 'm_*.bmp' | head -1)" ] && break; sleep 0.1; done
worker=$(pgrep -P $pid | head -1)
[ -n "$worker" ] && kill -KILL "$worker" || fail "no worker to kill"
wait $pid
expect_eq "$?" "2" "exit code after a worker was killed"
grep -q "worker process $worker ended by signal 9" "$work/killed.txt" || fail "killed worker message: $(cat "$work/killed.txt")"
expect_eq "$(leftovers "$dst"; find "$dst" -mindepth 1 -type d)" "" "files left after a worker was killed"
for f in "$dst"/m*.bmp; do
  expect_eq "$(stat -c %s "$f")" "$((54 + 1088 * 512))" "$(basename "$f") whole after a worker was killed"
done

# The parent killed outright: its workers stop, removing their scratch
# folders and the folder of shared DEM files the parent can no longer remove.
rm -f "$dst"/m*.bmp
mkdir -p "$work/tmp"
TMPDIR="$work/tmp" "$cli" run - "${job[@]}" --set area/yokodiv=40 --set area/tatediv=40 --yes --quiet --jobs 2 \
    > /dev/null 2>&1 < /dev/null &
pid=$!
for _ in $(seq 100); do [ -n "$(find "$dst" -name 'm_*.bmp' | head -1)" ] && break; sleep 0.1; done
[ -n "$(ls -A "$work/tmp")" ] || fail "no shared DEM folder while the run draws"
kill -KILL $pid
wait $pid 2> /dev/null
for _ in $(seq 100); do
  [ -z "$(ls -A "$work/tmp")" ] && [ -z "$(leftovers "$dst"; find "$dst" -mindepth 1 -type d)" ] && break
  sleep 0.1
done
expect_eq "$(ls -A "$work/tmp")" "" "shared DEM folder left after the parent was killed"
expect_eq "$(leftovers "$dst"; find "$dst" -mindepth 1 -type d)" "" "files left after the parent was killed"

# Under nohup a closed terminal does not stop the job: it draws every tile.
rm -f "$dst"/m*.bmp
nohup "$cli" run - "${job[@]}" --set area/yokodiv=40 --set area/tatediv=40 --yes --quiet > /dev/null 2>&1 < /dev/null &
pid=$!
for _ in $(seq 100); do [ -n "$(find "$dst" -name 'm_*.bmp' | head -1)" ] && break; sleep 0.1; done
kill -HUP $pid 2> /dev/null || fail "the nohup run ended before SIGHUP was sent"
wait $pid
expect_eq "$?" "0" "exit code of a nohup run sent SIGHUP"
expect_eq "$(find "$dst" -name 'm*.bmp' | wc -l)" "1600" "tiles of a nohup run sent SIGHUP"

[ $failures -eq 0 ] && echo "all passed"
exit $failures
