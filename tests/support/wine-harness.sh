# The harness of the scripts that run the Windows programs under Wine, as
# cases (tests/e2e/run-e2e.sh, tests/apps/split_command/split-under-wine.sh). Sourced, with
# root set to the source tree:
#
#   wine_harness_start NAME "$@"   runs the script again under a virtual
#       display of its own (1024x768, so screenshots have a known size), sets
#       up the build's Wine prefix (build/wine unless WINEPREFIX is set),
#       makes $work (removed at the end, with Wine's server stopped and
#       $mounted unmounted) and starts one Wine server for the whole run.
#       The arguments name the cases to run (all when there are none).
#       With WINE_HARNESS_LANES=N (N > 1) and no case named, the cases run in
#       N lanes at once, each its own run of the script with a display, a
#       Wine prefix (lane K > 1: a copy of the prefix, PREFIX-laneK) and a
#       server of its own; their lines are printed lane after lane, and the
#       counts summed.
#   wine_harness_lane K  the cases declared after it run in lane K (1 until
#       then): those that share a file set or a prefix belong in one lane.
#   wine_harness_copy_prefix DIR  makes DIR a copy of the prefix unless it
#       is one already (a copy is made in seconds, a new prefix in some 20).
#   wine_harness_need NAME FILE...  stops the run, counted as one failure,
#       when a program it needs is missing.
#   scenario CASE FUNCTION ARGS...  runs FUNCTION ARGS as the case CASE when
#       it is selected: "ok CASE (N s)" when it returns 0, "skip CASE: $reason"
#       when it returns 2, "FAIL CASE: $reason" otherwise.
#   wine_harness_end  prints "N passed, N failed" and fails on a failure.
#   wine_harness_scratch VAR GIB  sets VAR to a new directory in memory
#       (/dev/shm) when that holds GIB GiB more, else to one in $work;
#       removed at the end.
#
# and, for the cases, fail REASON (sets $reason, returns 1), winpath PATH
# (the path as Windows programs see it) and part NAME INDEX COUNT (the name
# of a part of a set, by the joiner's rule). $windows is the Windows build
# this machine runs (scripts/windows-preset, or SELVANORE_WINDOWS_PRESET).

windows=${SELVANORE_WINDOWS_PRESET:-$("$root/scripts/windows-preset")}
export WINEPREFIX=${WINEPREFIX:-$root/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

passed=0
failed=0
reason=""
mounted=""
scratch=()
lane=1
selection=()

wine_harness_start() {
  local name=$1
  shift
  if [ $# -eq 0 ] && [ "${WINE_HARNESS_LANES:-1}" -gt 1 ] && [ -z "${WINE_HARNESS_LANE:-}" ]; then
    wine_harness_lanes "$WINE_HARNESS_LANES"
    exit
  fi
  if [ -z "${WINE_HARNESS_XVFB:-}" ]; then
    # Display numbers from 99, or from 99 + 50 K in lane K: two xvfb-run -a
    # started together could take the same one.
    WINE_HARNESS_XVFB=1 exec xvfb-run -a -n $((99 + 50 * ${WINE_HARNESS_LANE:-0})) \
      -s '-screen 0 1024x768x24' "$0" "$@"
  fi
  selection=("$@")
  mkdir -p "$WINEPREFIX"
  work=$(mktemp -d "/tmp/$name.XXXXXX")
  trap wine_harness_cleanup EXIT
  wineserver -p
}

wine_harness_cleanup() {
  wineserver -k 2>/dev/null
  [ -z "$mounted" ] || umount "$mounted" 2>/dev/null
  rm -rf "$work" "${scratch[@]}"
}

wine_harness_scratch() {
  local free dir
  free=$(df -P -k /dev/shm 2>/dev/null | awk 'NR == 2 { print $4 }')
  if [ "${free:-0}" -ge $(($2 << 20)) ] && dir=$(mktemp -d /dev/shm/wine-harness.XXXXXX); then
    scratch+=("$dir")
  else
    dir=$(mktemp -d "$work/scratch.XXXXXX")
  fi
  printf -v "$1" '%s' "$dir"
}

# Runs the script once per lane, at once, and prints what each printed (its
# count line left out), then the counts summed; fails when a lane did.
wine_harness_lanes() {
  local lanes=$1 k logs pids=() status=0 line
  logs=$(mktemp -d /tmp/wine-harness-lanes.XXXXXX)
  for ((k = 1; k <= lanes; k++)); do
    local prefix=$WINEPREFIX
    if [ "$k" -gt 1 ]; then
      prefix=$WINEPREFIX-lane$k
      wine_harness_copy_prefix "$prefix"
    fi
    WINE_HARNESS_LANE=$k WINEPREFIX=$prefix "$0" >"$logs/$k" 2>&1 &
    pids+=($!)
  done
  for ((k = 1; k <= lanes; k++)); do
    wait "${pids[k - 1]}" || status=1
    line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$logs/$k" | tail -1)
    grep -vE '^[0-9]+ passed, [0-9]+ failed$' "$logs/$k"
    if [ -n "$line" ]; then
      passed=$((passed + ${line%% passed*}))
      line=${line##*, }
      failed=$((failed + ${line%% failed}))
    else
      echo "FAIL lane $k: it printed no count"
      failed=$((failed + 1))
    fi
  done
  rm -rf "$logs"
  wine_harness_end && [ "$status" -eq 0 ]
}

wine_harness_lane() { lane=$1; }

wine_harness_copy_prefix() {
  [ -e "$1/system.reg" ] || [ ! -e "$WINEPREFIX/system.reg" ] ||
    { rm -rf "$1" "$1.new" && cp -a "$WINEPREFIX" "$1.new" && mv "$1.new" "$1"; }
}

wine_harness_need() {
  local name=$1 need
  shift
  for need in "$@"; do
    if [ ! -e "$need" ]; then
      echo "$name: $need is missing; build it first"
      echo "0 passed, 1 failed"
      exit 1
    fi
  done
}

fail() {
  reason=$*
  return 1
}

# Z:\ is the root of the Linux file system in every Wine prefix.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The name of part INDEX of NAME cut into COUNT parts.
part() {
  if [ "$3" -gt 1000 ]; then printf '%s__%04d' "$1" "$2"; else printf '%s__%03d' "$1" "$2"; fi
}

selected() {
  [ ${#selection[@]} -eq 0 ] && return 0
  local want
  for want in "${selection[@]}"; do [ "$want" = "$1" ] && return 0; done
  return 1
}

scenario() {
  local harness_case=$1
  shift
  selected "$harness_case" || return 0
  [ -z "${WINE_HARNESS_LANE:-}" ] || [ "$WINE_HARNESS_LANE" -eq "$lane" ] || return 0
  reason=""
  # Names of their own: the cases' functions may set a global "status".
  local harness_begin=$SECONDS harness_status=0
  "$@" || harness_status=$?
  if [ $harness_status -eq 0 ]; then
    echo "ok $harness_case ($((SECONDS - harness_begin)) s)"
    passed=$((passed + 1))
  elif [ $harness_status -eq 2 ]; then
    echo "skip $harness_case: $reason"
  else
    echo "FAIL $harness_case: ${reason:-failed}"
    failed=$((failed + 1))
  fi
}

wine_harness_end() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
