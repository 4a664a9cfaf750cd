#!/usr/bin/env bash
# Stamps copies of a 32-bit Windows program that reads its join record with
# the joiner's own code (by default the descriptor probe of the Windows build
# this machine can run: scripts/windows-preset)
# with vantorel-split, runs each copy under Wine and compares what it prints
# with what was stamped: kind, size, count, the name in Windows-1252 and the
# checksum computed by the coreutils commands.
#
#   tests/apps/split_command/stamp-pe-under-wine.sh [PROBE.exe]
#
# Needs build/linux/vantorel-split. Runs on a virtual display of its own
# (tests/support/wine-harness.sh). Ends with "N passed, N failed" and exits
# non-zero on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/tests/support/wine-harness.sh"
probe=${1:-$root/build/$windows/tests/descriptor-probe.exe}
wine_harness_start stamp-pe "$@"
# The argument is the probe, not a case's name: every case runs.
selection=()
tool=$root/build/linux/vantorel-split
wine_harness_need stamp-pe-under-wine "$probe" "$tool"

# check NAME SIZE CUT CHECKSUM KIND ENGINE SUMCOMMAND
check() {
  local name=$1 size=$2 cut=$3 checksum=$4 kind=$5 engine=$6 sum=$7
  local dir=$work/$kind
  mkdir -p "$dir"
  head -c "$size" /dev/urandom >"$dir/$name"
  # shellcheck disable=SC2086
  "$tool" "$dir/$name" $cut --checksum "$checksum" --recovery 0 --joiner "$probe" >/dev/null ||
    fail "the split failed" || return
  local count digest=""
  # Everything in the directory but the file, the list and the joiner copy
  # is a part.
  count=$(($(find "$dir" -mindepth 1 | wc -l) - 3))
  [ "$sum" = - ] || digest=$($sum "$dir/$name" | cut -d' ' -f1)
  {
    echo "kind=$kind"
    echo "size=$size"
    echo "count=$count"
    printf 'name=%s\n' "$(printf '%s' "$name" | iconv -f UTF-8 -t WINDOWS-1252)"
    echo "checksum=$digest"
    echo "engine=$engine"
  } >"$dir/expected"
  (cd "$dir" && "$root/scripts/wine-run" "./${name}__join.exe") 2>/dev/null | tr -d '\r' >"$dir/actual"
  cmp -s "$dir/expected" "$dir/actual" ||
    fail "$(diff <(iconv -f WINDOWS-1252 -t UTF-8 "$dir/expected") \
      <(iconv -f WINDOWS-1252 -t UTF-8 "$dir/actual" 2>/dev/null || cat "$dir/actual") | tr '\n' ' ')"
}

scenario sha256 check 'Año café «1».bin' 100003 '--parts 3' sha256 4 SHA-256 sha256sum
scenario md5 check 'Œuvre €.iso' 70000 '--size 8K' md5 1 MD5 md5sum
scenario sha1 check 'plain.dat' 1001 '--parts 1001' sha1 2 SHA-1 sha1sum
scenario sha224 check 'ß—naïve.txt' 4097 '--size 1K' sha224 3 SHA-224 sha224sum
scenario none check 'none.bin' 5000 '--parts 2' none 0 none -

wine_harness_end
