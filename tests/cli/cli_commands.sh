#!/usr/bin/env bash
# velkaro-cli end to end: coordinates, tile names, validation messages, runs,
# overwrite refusal without a terminal, and Ctrl-C.
set -u
bin=$1
cli="$bin/velkaro-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" == "$2" ] || fail "$3: expected [$2] got [$1]"; }

# Geographic -> plane: zone 9, one degree north of the origin.
out=$("$cli" xy 9 37 139.8333333333333)
[[ $(echo "$out" | sed -n 1p) == 110957.2* ]] || fail "xy X: $out"
[[ $(echo "$out" | sed -n 2p) == 0.0* ]] || fail "xy Y: $out"
back=$("$cli" bl 9 $(echo "$out" | sed -n 1p) $(echo "$out" | sed -n 2p))
[[ $(echo "$back" | sed -n 1p) == 37.000* || $(echo "$back" | sed -n 1p) == 36.999* ]] || fail "bl: $back"

# Mesh codes of a box around Tokyo station, in every form.
for case in "4 5339" "6 -533946" "16 5339-46" "8 L-53394610" "18 5339-46-10"; do
  set -- $case
  expect_eq "$("$cli" mesh $1 139.7605 35.6805 139.7606 35.681)" "$2" "mesh form $1"
done
expect_eq "$("$cli" mesh 6 139.99 35.68 140.01 35.681 | tr '\n' ' ')" "-533947 -534040 " "mesh across 140 E"

# Tile names.
names=$("$cli" tiles - --set area/namae=tokyo --set area/zahyokei=33 --set area/tatediv=3 --set area/yokodiv=4 | cut -f1 | tr '\n' ' ')
expect_eq "$names" "tokyoA0.bmp tokyoA1.bmp tokyoA2.bmp tokyoA3.bmp tokyoB0.bmp tokyoB1.bmp tokyoB2.bmp tokyoB3.bmp tokyoC0.bmp tokyoC1.bmp tokyoC2.bmp tokyoC3.bmp " "3 x 4 tile names"
names=$("$cli" tiles - --set area/namae=tokyo --set area/zahyokei=33 --set area/tatediv=30 --set area/yokodiv=12 | cut -f1)
expect_eq "$(echo "$names" | head -1)" "tokyo_A00.bmp" "first of 30 x 12"
expect_eq "$(echo "$names" | tail -1)" "tokyoAD11.bmp" "last of 30 x 12"
expect_eq "$(echo "$names" | wc -l)" "360" "30 x 12 tiles"
extents=$("$cli" tiles - --set area/namae=o --set area/zahyokei=33 --set area/nisi=0 --set area/higasi=300 --set area/yokodiv=2 --set area/kasane=50 | cut -f2,3 | tr '\t\n' ', ')
expect_eq "$extents" "0,200 100,300 " "2 columns at 50 % overlap"

# Validation messages.
out=$("$cli" check - --set "area/namae=a/b/c" --set area/zahyokei=33 --set "kihon/writefolder=$work")
code=$?
expect_eq "$code" "1" "check exit code"
expect_eq "$(echo "$out" | grep -c '地図名に / は使えません')" "2" "two slash lines"
out=$("$cli" check - --set kihon/tanni=-1 --set area/namae=)
expect_eq "$(echo "$out" | grep -v '^$' | grep -v 'フォルダが見つかりません' )" "単位を設定してください" "unit only"
out=$("$cli" check - --set area/yokodiv=300 --set area/namae=x --set area/zahyokei=33)
expect_eq "$(echo "$out" | tail -1)" "横分割数は256以下に" "columns limit ends validation"

# A 2 x 2 job of preset 0 writes four 362 x 512 tiles.
src="$work/src"; dst="$work/out"; mkdir -p "$src" "$dst"
job=(--set "kihon/readfolder=$src" --set "kihon/meshfolder=$src" --set "kihon/syoufolder=$src"
     --set "kihon/kkjfolder=$src" --set "kihon/writefolder=$dst" --set kihon/size=0
     --set area/namae=m --set area/zahyokei=33 --set area/kita=1000 --set area/higasi=1000
     --set area/yokodiv=2 --set area/tatediv=2)
"$cli" check - "${job[@]}" > "$work/check.txt" || fail "valid job refused: $(cat "$work/check.txt")"
"$cli" run - "${job[@]}" --quiet 2> "$work/run.txt" < /dev/null
expect_eq "$?" "0" "run exit code"
grep -q "所要時間は" "$work/run.txt" || fail "no report: $(cat "$work/run.txt")"
for t in mA0 mA1 mB0 mB1; do
  [ -f "$dst/$t.bmp" ] || { fail "missing $t.bmp"; continue; }
  expect_eq "$(stat -c %s "$dst/$t.bmp")" "$((54 + 1088 * 512))" "$t.bmp size"
done
[ -f "$XDG_CONFIG_HOME/Velkaro/LastDraw.pxj" ] || fail "LastDraw.pxj not written"

# Second run: no --yes and no terminal: nothing overwritten, exit 1.
touch -d '2001-01-01' "$dst"/*.bmp
"$cli" run - "${job[@]}" --quiet > /dev/null 2>&1 < /dev/null
expect_eq "$?" "1" "declined overwrite exit code"
expect_eq "$(find "$dst" -name '*.bmp' -newer "$work/check.txt" | wc -l)" "0" "tiles untouched"

# Ctrl-C stops a long job with exit 2, keeps written tiles, keeps LastDraw.pxj.
rm -f "$XDG_CONFIG_HOME/Velkaro/LastDraw.pxj"
"$cli" run - "${job[@]}" --set area/yokodiv=40 --set area/tatediv=40 --yes --quiet > /dev/null 2>&1 < /dev/null &
pid=$!
for _ in $(seq 100); do [ -n "$(find "$dst" -name 'm_*' -newer "$work/check.txt" | head -1)" ] && break; sleep 0.1; done
kill -INT $pid
wait $pid
expect_eq "$?" "2" "abort exit code"
written=$(find "$dst" -name 'm*.bmp' -newer "$work/check.txt" | wc -l)
[ "$written" -ge 1 ] && [ "$written" -lt 1600 ] || fail "abort kept $written tiles"
[ ! -f "$XDG_CONFIG_HOME/Velkaro/LastDraw.pxj" ] || fail "aborted run wrote LastDraw.pxj"

# The catalogue: contiguous layer numbers, unique names per tree.
"$cli" layers > "$work/layers.txt" || fail "layers"
numbers=$(cut -f1 "$work/layers.txt" | sed 's/^0*//' | tr '\n' ' ')
expect_eq "$numbers" "$(seq -s ' ' 1 $(wc -l < "$work/layers.txt")) " "contiguous layer numbers"
for tree in FGD KSJ KKJ; do
  dups=$(awk -F'\t' -v t=$tree '$2 == t {print $3}' "$work/layers.txt" | sort | uniq -d)
  [ -z "$dups" ] || fail "duplicate names in $tree: $dups"
  [ "$(awk -F'\t' -v t=$tree '$2 == t' "$work/layers.txt" | wc -l)" -gt 0 ] || fail "no $tree layers"
done

[ $failures -eq 0 ] && echo "all passed"
exit $failures
