#!/usr/bin/env bash
# velkaro-expand and velkaro-gridpack end to end: help, usage errors, exit
# codes, progress lines and a refused member named on stderr.
set -u
bin=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_code() { [ "$1" == "$2" ] || fail "$3: exit code $1, expected $2"; }

for prog in velkaro-expand velkaro-gridpack; do
  "$bin/$prog" --help | grep -q "^usage: $prog" || fail "$prog --help"
  "$bin/$prog" --no-such-option >/dev/null 2>&1; expect_code $? 3 "$prog unknown option"
  "$bin/$prog" >/dev/null 2>&1; expect_code $? 3 "$prog without arguments"
done
"$bin/velkaro-expand" "$work/missing" 2>/dev/null; expect_code $? 2 "expand of a missing folder"
"$bin/velkaro-gridpack" "$work/missing" "$work/o.tif" 2>/dev/null; expect_code $? 2 "gridpack of a missing folder"
"$bin/velkaro-gridpack" "$work" "$work/o.tif" --zone 20 2>/dev/null; expect_code $? 3 "gridpack zone 20"

mkdir -p "$work/data/sub"
cp "$src/tests/data/archive/names.zip" "$work/data/sub/"
cp "$src/tests/data/archive/escape.zip" "$work/data/"
err=$("$bin/velkaro-expand" "$work/data/" 2>&1); code=$?
expect_code $code 1 "expand with an escaping member"
grep -q '"../evil.txt"' <<<"$err" || fail "refused member not named: $err"
grep -q '\[2/2\] .*names.zip: 3 written' <<<"$err" || fail "progress line: $err"
[ -f "$work/data/sub/地図/シフトJIS名.xml" ] || fail "CP932 member name"
[ ! -e "$work/evil.txt" ] || fail "a member landed outside the folder"
rm "$work/data/escape.zip"
err=$("$bin/velkaro-expand" --quiet "$work/data" 2>&1); code=$?
expect_code $code 0 "second expand"
grep -q "0 file(s) written, 3 already there" <<<"$err" || fail "second run summary: $err"

# A folder with no DEM: nothing written.
"$bin/velkaro-gridpack" --quiet "$work/data" "$work/none.tif" 2>/dev/null; expect_code $? 2 "gridpack without DEM"
[ ! -e "$work/none.tif" ] || fail "output written without DEM"

# The mosaic replaces an earlier one whole or not at all: an output name
# taken by a folder or a file-size limit (a full disk) leaves what was there,
# no temporary name, and a message naming the file; exit code 2.
mkdir -p "$work/dem" "$work/mosaic"
printf '%s\r\n' '<?xml version="1.0" encoding="UTF-8"?>' '<Dataset>' '<DEM>' \
  '<type>5mメッシュ（標高）</type>' \
  '<gml:lowerCorner>35.250000000 138.500000000</gml:lowerCorner>' \
  '<gml:upperCorner>35.258333333 138.512500000</gml:upperCorner>' \
  '<gml:low>0 0</gml:low>' '<gml:high>2 1</gml:high>' \
  '<gml:tupleList>' '地表面,1.50' '地表面,2.50' '地表面,3.50' '地表面,4.50' '地表面,5.50' '地表面,6.50' \
  '</gml:tupleList>' '<gml:sequenceRule order="+x-y">Linear</gml:sequenceRule>' \
  '<gml:startPoint>0 0</gml:startPoint>' '</DEM>' '</Dataset>' >"$work/dem/FG-GML-5238-74-00-DEM5A-20161001.xml"
"$bin/velkaro-gridpack" --quiet "$work/dem" "$work/mosaic/m.tif" 2>/dev/null; expect_code $? 0 "gridpack of one mesh"
mkdir "$work/mosaic/taken.tif"
err=$("$bin/velkaro-gridpack" --quiet "$work/dem" "$work/mosaic/taken.tif" 2>&1); code=$?
expect_code $code 2 "gridpack onto a folder"
grep -q "taken.tif: Is a directory" <<<"$err" || fail "folder in the way not named: $err"
[ -d "$work/mosaic/taken.tif" ] || fail "the folder in the way was touched"
cp "$work/mosaic/m.tif" "$work/previous.tif"
err=$(ulimit -f 1; "$bin/velkaro-gridpack" --quiet --resolution 0.02 "$work/dem" "$work/mosaic/m.tif" 2>&1); code=$?
expect_code $code 2 "gridpack under a file-size limit"
grep -q "m.tif failed: File too large" <<<"$err" || fail "full disk not named: $err"
cmp -s "$work/mosaic/m.tif" "$work/previous.tif" || fail "the previous mosaic was changed"
leftovers=$(ls "$work/mosaic" | grep '\.tmp[0-9]')
[ -z "$leftovers" ] || fail "temporary names left: $leftovers"

# Interrupted while writing a large member (1 GB of zeros), velkaro-expand
# removes its part file and ends by the signal (exit 130 for SIGINT). Should
# a busy machine let a run finish before the interrupt is sent, it is tried
# again.
mkdir -p "$work/big"
python3 - "$work/big/big.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    with z.open("big.xml", "w", force_zip64=True) as member:
        block = b"0" * (1 << 20)
        for _ in range(1000):
            member.write(block)
PY
for attempt in 1 2 3; do
  rm -f "$work/big/big.xml"
  "$bin/velkaro-expand" --quiet "$work/big" 2>/dev/null &
  pid=$!
  for _ in $(seq 500); do [ -e "$work/big/.big.xml.part" ] && break; sleep 0.01; done
  kill -INT $pid 2> /dev/null
  wait $pid; code=$?
  [ $code -ne 0 ] && break   # 0: the run was over before the interrupt came
done
expect_code "$code" 130 "expand interrupted"
[ -z "$(find "$work/big" -name '*.part')" ] || fail "part file left after an interrupt"
[ ! -e "$work/big/big.xml" ] || fail "an interrupted member stands under its name"

[ $failures -eq 0 ] && echo "all companion program checks passed"
exit $failures
