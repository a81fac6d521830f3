#!/usr/bin/env bash
# Tiles drawn apart come out the same as tiles drawn in one run: worker
# processes (--jobs), chosen tiles (--tiles), array-job shares (--tile-index)
# followed by the index command, all byte for byte against a serial run.
set -u
bin=$1
cli="$bin/velkaro-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
# The workers' shared DEM files go under TMPDIR (a name with a blank and a
# comma, as a worker started as a program gets it in its arguments) and must
# be gone after a run.
export TMPDIR="$work/t mp,1"
mkdir -p "$TMPDIR"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" == "$2" ] || fail "$3: expected [$2] got [$1]"; }

"$bin/velkaro-sample" "$work/sample" > /dev/null || { echo "FAIL: sample area"; exit 1; }
mkdir -p "$work/empty"
# A 2 x 2 job over the sample coast with relief, contours, the mesh overlay
# and vector layers, in small tiles.
job=(--set "kihon/readfolder=$work/sample/基盤地図情報" --set "kihon/meshfolder=$work/sample/標高データ"
     --set "kihon/syoufolder=$work/empty" --set "kihon/kkjfolder=$work/empty"
     --set kihon/size=0 --set kihon/tanni=2 --set area/namae=t --set area/zahyokei=33
     --set area/kita=-28000 --set area/minami=-45000 --set area/nisi=-18500 --set area/higasi=3500
     --set area/yokodiv=2 --set area/tatediv=2 --set area/kasane=5
     --set tiikimesh/cb=1 --set tiikimesh/keta=1
     --set alti/alti10=1 --set alti/cont10=1 --set alti/shadow=1 --set alti/height=60
     --set GSI-OnOff/Cstline-1=1 --set GSI-OnOff/RdEdg-1=1 --set GSI-OnOff/BldA-1=1)
run() {  # run OUTDIR ARGS...
  local out=$1; shift
  mkdir -p "$out"
  "$cli" run - "${job[@]}" --set "kihon/writefolder=$out" --yes --quiet "$@" > "$out.log" 2>&1 < /dev/null
}
same_files() {  # same_files A B what
  local a=$1 b=$2 what=$3
  expect_eq "$(cd "$a" && ls)" "$(cd "$b" && ls)" "$what: file names"
  for f in "$a"/*; do cmp -s "$f" "$b/$(basename "$f")" || fail "$what: $(basename "$f") differs"; done
}

run "$work/serial" --jobs 1; expect_eq "$?" "0" "serial run"
expect_eq "$(cd "$work/serial" && ls | tr '\n' ' ')" "index.bmp indexmap.htm tA0.bmp tA1.bmp tB0.bmp tB1.bmp " "serial files"

run "$work/two" --jobs 2; expect_eq "$?" "0" "--jobs 2 run: $(cat "$work/two.log")"
grep -q "所要時間は" "$work/two.log" || fail "--jobs 2 report: $(cat "$work/two.log")"
same_files "$work/serial" "$work/two" "--jobs 2"
# Workers started as programs of their own (the way taken when the parent
# runs threads) draw the same files.
VELKARO_EXEC_WORKERS=1 run "$work/two_exec" --jobs 2; expect_eq "$?" "0" "started workers: $(cat "$work/two_exec.log")"
same_files "$work/serial" "$work/two_exec" "started workers"
expect_eq "$(ls "$TMPDIR")" "" "shared DEM files left behind"

# Four array-job shares, then the index from the tiles on disk.
for i in 0 1 2 3; do
  run "$work/shares" --tile-index $i --tile-count 4 --jobs 1; expect_eq "$?" "0" "share $i"
done
expect_eq "$(cd "$work/shares" && ls | tr '\n' ' ')" "tA0.bmp tA1.bmp tB0.bmp tB1.bmp " "shares write no index"
"$cli" index - "${job[@]}" --set "kihon/writefolder=$work/shares" > /dev/null 2>&1; expect_eq "$?" "0" "index"
same_files "$work/serial" "$work/shares" "shares + index"

# A tile's text does not depend on the text a process drew before it: the
# mesh codes and titles of large tiles, drawn after the other tiles and alone.
big=(--set "kihon/readfolder=$work/sample/基盤地図情報" --set "kihon/meshfolder=$work/sample/標高データ"
     --set "kihon/syoufolder=$work/sample/国土数値情報" --set "kihon/kkjfolder=$work/sample/国土基本情報"
     --set kihon/size=7 --set kihon/tanni=2 --set area/namae=m --set area/zahyokei=33
     --set area/kita=-28000 --set area/minami=-45000 --set area/nisi=-18500 --set area/higasi=3500
     --set area/yokodiv=2 --set area/tatediv=2 --set area/kasane=5
     --set tiikimesh/cb=1 --set tiikimesh/keta=1 --set KKJ-Rank/czoom=2.5)
for tiles in A1,B1 B1; do
  mkdir -p "$work/big_${tiles//,/}"
  "$cli" run - "${big[@]}" --set "kihon/writefolder=$work/big_${tiles//,/}" --yes --quiet --jobs 1 \
    --tiles "$tiles" > /dev/null 2>&1 < /dev/null
done
cmp -s "$work/big_A1B1/mB1.bmp" "$work/big_B1/mB1.bmp" || fail "a tile drawn after others differs from it drawn alone"

# Chosen tiles, also spread over workers; scratch folders do not stay behind.
run "$work/chosen" --tiles B1,A0 --jobs 2; expect_eq "$?" "0" "--tiles run"
expect_eq "$(cd "$work/chosen" && ls -A | tr '\n' ' ')" "tA0.bmp tB1.bmp " "--tiles B1,A0 files"
for t in tA0 tB1; do cmp -s "$work/serial/$t.bmp" "$work/chosen/$t.bmp" || fail "--tiles $t differs"; done
"$cli" index - "${job[@]}" --set "kihon/writefolder=$work/chosen" > "$work/index.txt" 2>&1
expect_eq "$?" "1" "index with missing tiles"
grep -q "A1 B0" "$work/index.txt" || fail "missing tiles not named: $(cat "$work/index.txt")"

# The report of a run over workers equals the serial one, with the tiles
# that found no elevation data in drawing order: a DEM folder holding only
# the south-western second mesh leaves the northern tiles without.
mkdir -p "$work/partdem"
cp "$work/sample/標高データ/FG-GML-5339-35-DEM10B-20161001.xml" "$work/partdem/"
for n in 1 2; do
  run "$work/partdem_$n" --jobs $n --set "kihon/meshfolder=$work/partdem"; expect_eq "$?" "0" "partial DEM, --jobs $n"
  grep -av "^正常終了: 所要時間は" "$work/partdem_$n.log" > "$work/partdem_$n.report"
done
grep -aq "標高データのない図葉(凡例なし): A0, A1$" "$work/partdem_1.report" ||
  fail "serial report without the tiles lacking elevation: $(cat "$work/partdem_1.report")"
cmp -s "$work/partdem_1.report" "$work/partdem_2.report" ||
  fail "--jobs 2 report differs from the serial one: $(diff "$work/partdem_1.report" "$work/partdem_2.report")"

# Tile names that are not in the job, and options that do not go together.
for bad in "--tiles C0" "--tiles A2" "--tiles A0-Z9" "--tiles A" "--tiles ," "--tile-index 4 --tile-count 4" \
           "--tile-index 0" "--tiles A0 --tile-index 0 --tile-count 2" "--jobs 0"; do
  run "$work/bad" $bad; expect_eq "$?" "3" "usage error for $bad"
done

# Ctrl-C reaches every worker: the run stops with exit 2 and leaves no
# worker behind.
mkdir -p "$work/abort"
"$cli" run - "${job[@]}" --set "kihon/writefolder=$work/abort" --set area/yokodiv=12 --set area/tatediv=12 \
  --jobs 2 --yes --quiet > /dev/null 2>&1 < /dev/null &
pid=$!
for _ in $(seq 200); do [ -n "$(ls "$work/abort"/t*.bmp 2>/dev/null | head -1)" ] && break; sleep 0.1; done
workers=$(pgrep -P $pid)
expect_eq "$(echo "$workers" | wc -w)" "2" "two workers"
kill -INT $pid
wait $pid
expect_eq "$?" "2" "abort exit code"
for _ in $(seq 50); do alive=0; for w in $workers; do kill -0 $w 2>/dev/null && alive=1; done; [ $alive = 0 ] && break; sleep 0.1; done
expect_eq "$alive" "0" "workers gone"
written=$(ls "$work/abort"/t*.bmp | wc -l)
[ "$written" -ge 1 ] && [ "$written" -lt 144 ] || fail "abort kept $written tiles"
expect_eq "$(ls -A "$work/abort" | grep -c velkaro-scratch)" "0" "scratch folders removed"
expect_eq "$(ls -A "$work/abort" | grep -c '\.tmp[0-9]')" "0" "no temporary names left (tiles being put in place are finished)"

[ $failures -eq 0 ] && echo "all passed"
exit $failures
