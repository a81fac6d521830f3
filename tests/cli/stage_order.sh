#!/usr/bin/env bash
# Each folder of src/ is one stage of the data flow and includes only the
# stages before it, so the folders never depend on each other in a cycle.
# usage: stage_order.sh BIN_DIR SOURCE_DIR
set -euo pipefail
src="$2/src"
declare -A allowed=(
  [platform]=""
  [catalogue]="platform"
  [job]="platform catalogue"
  [scratch]="platform catalogue job"
  [archive]="platform"
  [vector]="platform catalogue job scratch archive"
  [elevation]="platform job archive"
  [render]="platform catalogue job scratch elevation"
  [output]="platform catalogue job elevation render"
  [gridpack]="platform job archive elevation"
  [run]="platform catalogue job scratch archive vector elevation render output"
  [ui]="platform catalogue job scratch archive vector elevation render output run"
)
status=0
for dir in "$src"/*/; do
  stage=$(basename "$dir")
  if [ -z "${allowed[$stage]+set}" ]; then
    echo "src/$stage: a folder without a place in the stage order" >&2
    status=1
    continue
  fi
  while IFS=: read -r file include; do
    target=${include%%/*}
    [ "$target" = "$stage" ] && continue
    [ -d "$src/$target" ] || continue
    case " ${allowed[$stage]} " in
      *" $target "*) ;;
      *) echo "${file#"$2"/}: includes $include, a later stage" >&2; status=1 ;;
    esac
  done < <(grep -HoE '#include "[a-z_]+/[a-z_0-9]+\.h"' "$dir"* | sed -E 's/#include "(.*)"/\1/')
done
exit $status
