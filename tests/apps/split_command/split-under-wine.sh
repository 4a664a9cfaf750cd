#!/usr/bin/env bash
# vantorel-split.exe under Wine, as a Windows user runs it: a file with a
# non-ASCII name cut beside itself through a Windows path, its checksum list
# read by sha256sum, its stamped joiner compared with the Linux splitter's
# stamp of the same file and then run, the real Selvanore.exe driven to a
# whole join; a name in another script cut and joined by selvanore reading
# the joiner as data; device names refused before anything is written; the default joiners beside the program (the
# Windows one, and the Linux one for --for linux); an existing part or list;
# a device as the output folder; a file given by its 8.3 short name, whose
# set takes the long name; a full disk on a small tmpfs (root only); Ctrl+C
# part way.
#
#   tests/apps/split_command/split-under-wine.sh [CASE...]     (all cases when none is named)
#
# Builds nothing: needs vantorel-split.exe, Selvanore.exe and the e2e driver
# of the Windows build this machine runs (scripts/windows-preset), and
# build/linux/vantorel-split, build/linux/selvanore and the record tests'
# Linux joiner stand-in. Runs on a virtual display of its own
# (tests/support/wine-harness.sh). Prints "ok NAME", "skip NAME: reason" or
# "FAIL NAME: reason" a case and ends with "N passed, N failed"; exits
# non-zero on a failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/tests/support/wine-harness.sh"
wine_harness_start split-wine "$@"

tool=$root/build/$windows/vantorel-split.exe
joiner=$root/build/$windows/Selvanore.exe
driver=$root/build/$windows/tests/e2e/driver.exe
linux_tool=$root/build/linux/vantorel-split
linux_joiner=$root/build/linux/selvanore
elf_joiner=$root/build/linux/tests/format/elf_joiner_fixture
wine_harness_need split-under-wine "$tool" "$joiner" "$driver" "$linux_tool" "$linux_joiner" "$elf_joiner"

# split ARGS...: runs the Windows splitter; its exit status in status, its
# output in out and err (UTF-8, line ends without the carriage return).
split() {
  "$root/scripts/wine-run" "$tool" "$@" >"$work/out" 2>"$work/err"
  status=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}

# refused STATUS TEXT DIR: the last run failed with STATUS, one line on the
# standard error holding TEXT, and DIR is empty.
refused() {
  [ "$status" -eq "$1" ] || fail "exit status $status, not $1: $err" || return
  [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "not one line: $err" || return
  [[ $err == "vantorel-split: "*"$2"* ]] || fail "no '$2' in: $err" || return
  [ -z "$(ls -A "$3")" ] || fail "left behind in $3: $(ls -A "$3" | tr '\n' ' ')"
}

# ---- Cases -------------------------------------------------------------------

# Cut through a Windows path (backslashes, a drive) with no --out: the set
# lies beside the file, the summary names it, the parts are the file's bytes,
# the list (names in UTF-8) is what sha256sum says of them, and nothing
# temporary is left.
round_trip() {
  local dir=$work/round name='Año café «1».bin' size=300001
  mkdir -p "$dir/src" "$dir/linux"
  head -c $size /dev/urandom >"$dir/src/$name"
  local digest
  digest=$(sha256sum <"$dir/src/$name" | cut -d' ' -f1)
  split "$(winpath "$dir/src/$name")" --parts 3 --joiner "$joiner"
  [ "$status" -eq 0 ] || fail "the cut failed ($status): $err" || return
  local expected recovery_bytes
  recovery_bytes=$(($(stat -c %s "$dir/src/${name}.par2") + $(stat -c %s "$dir/src/${name}.vol0+1.par2")))
  expected=$(printf '%s\n' "$name: $size bytes in 3 parts, ${name}__000 to ${name}__002" \
    "joiner: $(winpath "$dir/src")\\${name}__join.exe" "SHA-256: $digest" \
    "checksum list: $(winpath "$dir/src")\\${name}.sha256" \
    "recovery data: $(winpath "$dir/src")\\${name}.par2 and 1 file ${name}.vol0+1.par2, $recovery_bytes bytes: send them with the parts; any one lost or damaged part can be rebuilt (par2 repair ${name}.par2)" \
    "note: mail services refuse programs (${name}__join.exe) as attachments;" \
    "  send the joiner another way, or send the parts, the list and the recovery files alone." \
    "  Without the joiner, the recipient joins the parts with" \
    "  'selvanore ${name}.sha256' on Linux, or in order with 'copy /b' on Windows" \
    "  ('cat' elsewhere), and checks them with the list (the PowerShell" \
    "  lines of README.txt, or 'sha256sum -c')." \
    "joiner copied from: $joiner")
  [ "$out" = "$expected" ] || fail "summary: $out" || return
  [ -z "$err" ] || fail "stderr: $err" || return
  [ "$(ls -A "$dir/src" | wc -l)" -eq 8 ] || fail "in the directory: $(ls -A "$dir/src" | tr '\n' ' ')" || return
  cmp -s "$dir/src/${name}.sha256" \
    <(cd "$dir/src" && sha256sum "${name}__000" "${name}__001" "${name}__002" "$name") ||
    fail "the list is not sha256sum's: $(cat "$dir/src/${name}.sha256")" || return
  cmp -s <(cat "$dir/src/${name}__000" "$dir/src/${name}__001" "$dir/src/${name}__002") \
    "$dir/src/$name" || fail "the parts are not the file" || return
  [ "$(stat -c %s "$dir/src/${name}__000")" -eq 100000 ] || fail "part 0 is not 100000 bytes" || return

  # The Linux splitter stamps the same joiner with the same record.
  cp "$dir/src/$name" "$dir/linux/$name"
  "$linux_tool" "$dir/linux/$name" --parts 3 --joiner "$joiner" >/dev/null 2>&1 ||
    fail "the Linux splitter failed" || return
  cmp -s "$dir/linux/${name}__join.exe" "$dir/src/${name}__join.exe" ||
    fail "the stamped joiner differs from the Linux splitter's" || return
  local i
  for i in 000 001 002; do
    cmp -s "$dir/linux/${name}__$i" "$dir/src/${name}__$i" || fail "part $i differs" || return
  done
  cmp -s "$dir/linux/${name}.sha256" "$dir/src/${name}.sha256" ||
    fail "the list differs from the Linux splitter's" || return
  # The recovery files too, names in UTF-8 on both systems; par2 finds them
  # correct.
  for i in par2 vol0+1.par2; do
    cmp -s "$dir/linux/${name}.$i" "$dir/src/${name}.$i" || fail "${name}.$i differs from the Linux splitter's" || return
  done
  if command -v par2 >/dev/null; then
    (cd "$dir/src" && par2 verify -q "${name}.par2" >/dev/null 2>&1) || fail "par2 finds the set incorrect" || return
  fi

  # The stamped joiner rebuilds the file from the parts alone.
  mkdir -p "$dir/join"
  mv "$dir/src/${name}"__* "$dir/src/${name}.sha256" "$dir/src/${name}".*par2 "$dir/join/"
  iconv -f UTF-8 -t WINDOWS-1252 >"$work/join.script" <<'EOF'
start
wait title is "Vantorel 3.0 - Modulo de auto-concatenación"
click 1000
wait title is "100% - Concatenación exitosa" 120
click 1001
expect-exit 0
EOF
  if ! timeout 300 "$root/scripts/wine-run" "$driver" "$(winpath "$dir/join/${name}__join.exe")" \
       "$(winpath "$dir/join")" "$(winpath "$work/join.script")" >"$work/driver.log" 2>&1; then
    fail "the join under the driver failed: $(tr -d '\r' <"$work/driver.log" | grep -m1 '^error' |
      iconv -c -f WINDOWS-1252 -t UTF-8)"
    return
  fi
  cmp -s "$dir/join/$name" "$dir/src/$name" || fail "the joined file differs from the original"
}

# A name in another script: cut on Windows under its exact name, with the
# record's stand-in and the name record beside it; selvanore on Linux reads
# the Windows joiner as data and joins the parts under the exact name.
# Names Windows cannot keep (which ones is the unit tests'): a device name,
# a trailing dot. Refused with their exit status before anything is
# written, the file untouched.
refused_names() {
  local dir=$work/names
  mkdir -p "$dir/in" "$dir/out"
  local name
  for name in '日本語.txt' 'Отчёт año.bin'; do
    head -c 5000 /dev/urandom >"$dir/in/$name"
    cp "$dir/in/$name" "$work/copy"
    split "$(winpath "$dir/in/$name")" --parts 2 --joiner "$joiner" --out "$(winpath "$dir/out")"
    [ "$status" -eq 0 ] || fail "$name was not cut ($status): $err" || return
    [ "$(ls "$dir/out" | tr '\n' '|')" = "$name.sha256|${name}__000|${name}__001|${name}__join.exe|" ] ||
      fail "$name: the folder holds $(ls "$dir/out" | tr '\n' ' ')" || return
    (cd "$dir/out" && "$linux_joiner" "${name}__join.exe" </dev/null >"$work/join.log" 2>&1) ||
      fail "selvanore did not join $name: $(tail -3 "$work/join.log")" || return
    cmp -s "$dir/out/$name" "$work/copy" || fail "$name joined differs" || return
    rm -f "$dir/in/$name" "$dir/out/"*
  done
  for name in 'nul.tar.gz' 'notes.'; do
    head -c 5000 /dev/urandom >"$dir/in/$name"
    split "$dir/in/$name" --parts 2 --joiner "$joiner" --out "$dir/out"
    refused 2 "the name '$name'" "$dir/out" || return
    rm "$dir/in/$name"
  done
}

# Without --joiner: plantilla\Selvanore.exe beside the program, wherever it
# lies outside its build tree (a Selvanore.exe beside it is not taken); with
# --for linux, the Linux joiner selvanore beside it, stamped as NAME__join.
default_joiner() {
  local dir=$work/default
  mkdir -p "$dir/bin" "$dir/out"
  cp "$tool" "$dir/bin/vantorel-split.exe"
  head -c 7000 /dev/urandom >"$dir/data.bin"
  local tool=$dir/bin/vantorel-split.exe
  cp "$joiner" "$dir/bin/Selvanore.exe"
  split "$dir/data.bin" --parts 2 --out "$dir/out"
  refused 1 "no joiner at '$(winpath "$dir/bin")\\plantilla\\Selvanore.exe'" "$dir/out" || return
  rm "$dir/bin/Selvanore.exe"
  mkdir -p "$dir/bin/plantilla"
  cp "$joiner" "$dir/bin/plantilla/Selvanore.exe"
  split "$dir/data.bin" --parts 2 --checksum md5 --out "$dir/out"
  [ "$status" -eq 0 ] || fail "with the joiner beside it ($status): $err" || return
  local copied
  copied=$(printf '%s\n' "$out" | tail -1)
  [ "$copied" = "joiner copied from: $(winpath "$dir/bin")\plantilla\Selvanore.exe" ] ||
    fail "the summary does not name the joiner copied: $out" || return
  cmp -s "$dir/out/data.bin__join.exe" "$joiner" && fail "the copy is not stamped" && return
  [ "$(stat -c %s "$dir/out/data.bin__join.exe")" -eq "$(stat -c %s "$joiner")" ] ||
    fail "the copy's size differs from the joiner's" || return

  mkdir -p "$dir/linux"
  split "$dir/data.bin" --parts 2 --for linux --out "$dir/linux"
  refused 1 "no joiner at '$(winpath "$dir/bin")\\selvanore', where it is installed" \
    "$dir/linux" || return
  cp "$elf_joiner" "$dir/bin/selvanore"
  split "$dir/data.bin" --parts 2 --for linux --out "$dir/linux"
  [ "$status" -eq 0 ] || fail "with the Linux joiner beside it ($status): $err" || return
  [ "$(ls -A "$dir/linux" | tr '\n' ' ')" = "data.bin.sha256 data.bin__000 data.bin__001 data.bin__join " ] ||
    fail "the Linux set: $(ls -A "$dir/linux" | tr '\n' ' ')" || return
  # Windows keeps no executable bit: the recipient gives it, as after a mail.
  chmod +x "$dir/linux/data.bin__join"
  [ "$("$dir/linux/data.bin__join" | grep '^count=')" = "count=2" ] ||
    fail "the Linux joiner copy does not hold its record"
}

# A part of the set, or its list, exists already: refused, nothing else
# made, the file kept byte for byte.
existing_part() {
  local dir=$work/existing
  mkdir -p "$dir/out"
  head -c 9000 /dev/urandom >"$dir/data.bin"
  printf 'keep me' >"$dir/out/data.bin__002"
  split "$dir/data.bin" --parts 3 --joiner "$joiner" --out "$dir/out"
  [ "$status" -eq 1 ] || fail "exit status $status" || return
  [[ $err == *"data.bin__002' already exists"* ]] || fail "message: $err" || return
  [ "$(ls -A "$dir/out")" = data.bin__002 ] || fail "made: $(ls -A "$dir/out" | tr '\n' ' ')" || return
  [ "$(cat "$dir/out/data.bin__002")" = 'keep me' ] || fail "the existing part changed" || return
  mv "$dir/out/data.bin__002" "$dir/out/data.bin.sha256"
  split "$dir/data.bin" --parts 3 --joiner "$joiner" --out "$dir/out"
  [ "$status" -eq 1 ] || fail "exit status $status with a list there" || return
  [[ $err == *"data.bin.sha256' already exists"* ]] || fail "message: $err" || return
  [ "$(ls -A "$dir/out")" = data.bin.sha256 ] || fail "made: $(ls -A "$dir/out" | tr '\n' ' ')" || return
  [ "$(cat "$dir/out/data.bin.sha256")" = 'keep me' ] || fail "the existing list changed" || return
  mv "$dir/out/data.bin.sha256" "$dir/out/data.bin.vol0+1.par2"
  split "$dir/data.bin" --parts 3 --joiner "$joiner" --out "$dir/out"
  [ "$status" -eq 1 ] || fail "exit status $status with a recovery file there" || return
  [[ $err == *"data.bin.vol0+1.par2' already exists"* ]] || fail "message: $err" || return
  [ "$(ls -A "$dir/out")" = data.bin.vol0+1.par2 ] || fail "made: $(ls -A "$dir/out" | tr '\n' ' ')" || return
  [ "$(cat "$dir/out/data.bin.vol0+1.par2")" = 'keep me' ] || fail "the existing recovery file changed"
}

# A device where the output folder is expected: refused as no folder, not
# with the system's "invalid handle".
device_out() {
  local dir=$work/device
  mkdir -p "$dir/empty"
  head -c 3000 /dev/urandom >"$dir/data.bin"
  local device
  for device in nul NUL CON nul.txt; do
    split "$dir/data.bin" --parts 2 --joiner "$joiner" --out "$device"
    refused 1 "the output directory '$device' is not a directory" "$dir/empty" || return
    [ "$(ls -A "$dir" | tr '\n' ' ')" = "data.bin empty " ] ||
      fail "made: $(ls -A "$dir" | tr '\n' ' ')" || return
  done
}

# Given by its 8.3 short name (as batch files' %~s1 give it), a file is cut
# into a set of its long name: the recipient gets .pptx, not .PPT.
short_name() {
  local dir=$work/short long='Annual report 2024.pptx'
  mkdir -p "$dir/out"
  head -c 5000 /dev/urandom >"$dir/$long"
  local short
  short=$("$root/scripts/wine-run" cmd /c "dir /x $(winpath "$dir")" 2>/dev/null | tr -d '\r' |
    grep -F " $long" | awk '{ print $5 }')
  [[ $short == *"~"* ]] || fail "Wine gave no short name: '$short'" || return
  split "$(winpath "$dir")\\$short" --parts 2 --joiner "$joiner" --out "$dir/out"
  [ "$status" -eq 0 ] || fail "the cut of $short failed ($status): $err" || return
  [ "$(ls -A "$dir/out" | tr '\n' '|')" = "${long}.sha256|${long}__000|${long}__001|${long}__join.exe|" ] ||
    fail "the set of $short: $(ls -A "$dir/out" | tr '\n' ' ')" || return
  [[ $out == "$long: 5000 bytes in 2 parts, ${long}__000 to ${long}__001"* ]] ||
    fail "summary: $out"
}

# A tmpfs of 1 MiB: parts that do not fit, and parts that fit with no room
# left for the joiner copy. Each run fails and leaves the disk empty.
full_disk() {
  if [ "$(id -u)" -ne 0 ]; then
    reason="mounting a tmpfs needs root"
    return 2
  fi
  local dir=$work/full
  mkdir -p "$dir/out"
  mount -t tmpfs -o size=1m tmpfs "$dir/out" || fail "cannot mount a tmpfs" || return
  mounted=$dir/out
  head -c $((3 << 20)) /dev/urandom >"$dir/three"
  split "$dir/three" --parts 3 --joiner "$joiner" --out "$dir/out"
  refused 1 "cannot write '" "$dir/out" || return
  [[ $err == *"(nothing was kept)" ]] || fail "message: $err" || return
  # 64 KiB short of the disk: the parts fit, the joiner (stripped, some
  # 250 KiB and more) does not.
  head -c $((960 << 10)) /dev/urandom >"$dir/fits"
  split "$dir/fits" --parts 2 --joiner "$joiner" --out "$dir/out"
  refused 1 "cannot write '$dir/out/fits__join.exe'" "$dir/out" || return
  umount "$dir/out" && mounted=""
}

# Ctrl+C part way through a long cut: Wine turns SIGINT into the console's
# Ctrl+C event. The run ends with 130 and leaves nothing.
interrupt() {
  local dir=$work/interrupt
  mkdir -p "$dir/out"
  truncate -s 1G "$dir/big"
  "$root/scripts/wine-run" "$tool" "$dir/big" --size 1M --checksum none --joiner "$joiner" \
    --out "$dir/out" >"$work/out" 2>"$work/err" &
  local pid=$! i
  # Until the joiner's, the list's and the two recovery files' temporary
  # files and two parts have been begun.
  for ((i = 0; i < 600; i++)); do
    [ "$(ls -A "$dir/out" | wc -l)" -ge 6 ] && break
    sleep 0.05
  done
  kill -INT "$pid"
  wait "$pid"
  status=$?
  err=$(tr -d '\r' <"$work/err")
  [ "$status" -ne 0 ] || fail "the cut ended before the interruption" || return
  refused 130 "interrupted; nothing was kept" "$dir/out"
}

# The command line of the Windows program: /? is the help there, --version,
# -b with a 1000-based unit and a cut-short option; a usage error ends with
# the hint.
command_line() {
  local dir=$work/command-line
  mkdir -p "$dir/out"
  split '/?'
  [ "$status" -eq 0 ] && [[ $out == "usage: vantorel-split FILE (-n N | -b SIZE)"* ]] &&
    [[ $out == *"-h, --help         this text (/? too)"* ]] || fail "/?: $status $out" || return
  split --version
  [ "$status" -eq 0 ] && [[ $out == "vantorel-split "[0-9]* ]] || fail "--version: $status $out" || return
  split "$dir/nothing" --bogus
  [ "$status" -eq 2 ] && [ "$err" = "vantorel-split: unknown option '--bogus'
Try 'vantorel-split --help' for more information." ] || fail "usage error: $status $err" || return
  head -c 2500 /dev/urandom >"$dir/data.bin"
  split "$(winpath "$dir/data.bin")" -b 1kb --che SHA-1 --joiner "$joiner" --out "$dir/out"
  [ "$status" -eq 0 ] || fail "-b 1kb: $status $err" || return
  [ "$(stat -c %s "$dir/out/data.bin__000")" -eq 1000 ] && [ -e "$dir/out/data.bin__002" ] &&
    [[ $out == *"SHA-1: "* ]] || fail "-b 1kb cut: $(ls "$dir/out" | tr '\n' ' ') $out"
}

scenario command_line command_line
scenario round_trip round_trip
scenario refused_names refused_names
scenario default_joiner default_joiner
scenario existing_part existing_part
scenario device_out device_out
scenario short_name short_name
scenario full_disk full_disk
scenario interrupt interrupt

wine_harness_end
