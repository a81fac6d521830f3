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

[ $failures -eq 0 ] && echo "all companion program checks passed"
exit $failures
