#!/usr/bin/env bash
# Stamps copies of a 32-bit Windows program that reads its join record with
# the joiner's own code (by default the descriptor probe of the Windows build
# this machine can run: scripts/windows-preset)
# with vantorel-split, runs each copy under Wine and compares what it prints
# with what was stamped: kind, size, count, the name in Windows-1252 and the
# checksum computed by the coreutils commands.
#
#   tests/split/stamp-pe-under-wine.sh [PROBE.exe]
#
# Needs build/linux/vantorel-split. Starts a virtual display when none is
# set. Ends with "N passed, N failed" and exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
probe=${1:-$root/build/$("$root/scripts/windows-preset")/tests/descriptor-probe.exe}
tool=$root/build/linux/vantorel-split
export WINEPREFIX=${WINEPREFIX:-$root/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}

if [ -z "${DISPLAY:-}" ] && [ -z "${STAMP_PE_UNDER_XVFB:-}" ]; then
  # Wine is stopped before the display goes away.
  STAMP_PE_UNDER_XVFB=1 xvfb-run -a "$0" "$@"
  status=$?
  exit $status
fi
trap '[ -n "${STAMP_PE_UNDER_XVFB:-}" ] && wineserver -k 2>/dev/null || true' EXIT

for need in "$probe" "$tool"; do
  if [ ! -e "$need" ]; then
    echo "stamp-pe-under-wine: $need is missing; build it first"
    echo "0 passed, 1 failed"
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${STAMP_PE_UNDER_XVFB:-}" ] && wineserver -k 2>/dev/null || true' EXIT
passed=0
failed=0

# check NAME SIZE CUT CHECKSUM KIND ENGINE SUMCOMMAND
check() {
  local name=$1 size=$2 cut=$3 checksum=$4 kind=$5 engine=$6 sum=$7
  local dir=$work/$kind
  mkdir -p "$dir"
  head -c "$size" /dev/urandom >"$dir/$name"
  # shellcheck disable=SC2086
  if ! "$tool" "$dir/$name" $cut --checksum "$checksum" --joiner "$probe" >/dev/null; then
    echo "FAIL $checksum: the split failed"; failed=$((failed + 1)); return
  fi
  local count digest=""
  # Everything in the directory but the file and the joiner copy is a part.
  count=$(($(find "$dir" -mindepth 1 | wc -l) - 2))
  [ "$sum" = - ] || digest=$($sum "$dir/$name" | cut -d' ' -f1)
  {
    echo "kind=$kind"
    echo "size=$size"
    echo "count=$count"
    printf 'name=%s\n' "$(printf '%s' "$name" | iconv -f UTF-8 -t WINDOWS-1252)"
    echo "checksum=$digest"
    echo "engine=$engine"
  } >"$dir/expected"
  (cd "$dir" && "$root/scripts/wine-run" "./${name}__join.exe") 2>/dev/null | tr -d '\r' >"$dir/actual" || true
  if cmp -s "$dir/expected" "$dir/actual"; then
    echo "ok   $checksum: $(tr '\n' ' ' <"$dir/actual" | iconv -f WINDOWS-1252 -t UTF-8)"
    passed=$((passed + 1))
  else
    echo "FAIL $checksum"
    diff <(iconv -f WINDOWS-1252 -t UTF-8 "$dir/expected") <(iconv -f WINDOWS-1252 -t UTF-8 "$dir/actual" 2>/dev/null || cat "$dir/actual") || true
    failed=$((failed + 1))
  fi
}

check 'Año café «1».bin' 100003 '--parts 3' sha256 4 SHA-256 sha256sum
check 'Œuvre €.iso' 70000 '--size 8K' md5 1 MD5 md5sum
check 'plain.dat' 1001 '--parts 1001' sha1 2 SHA-1 sha1sum
check 'ß—naïve.txt' 4097 '--size 1K' sha224 3 SHA-224 sha224sum
check 'none.bin' 5000 '--parts 2' none 0 none -

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
