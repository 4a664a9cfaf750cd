#!/usr/bin/env bash
# The joiner end to end: files cut by vantorel-split, the stamped Selvanore.exe
# run under Wine on a virtual display and driven through its windows by the
# driver (tests/e2e/driver.cpp), as a user would: joins with every checksum,
# bad checksums, deleted inputs, an existing output, missing parts, foreign, broken and forged
# records, changed sizes, pause, resume, cancel, close requests, a full disk, a kill halfway,
# clicks and messages posted out of turn, and symbolic links holding the output's name.
#
#   tests/e2e/run-e2e.sh [SCENARIO...]     (all scenarios when none is named,
#                                           in two lanes at once where there
#                                           are two processors)
#
# Builds nothing: needs build/linux/vantorel-split, and Selvanore.exe and
# tests/e2e/driver.exe of the Windows build this machine runs
# (build/win32, or build/win64 where the kernel cannot run 32-bit programs;
# scripts/windows-preset says which, SELVANORE_WINDOWS_PRESET overrides it). The disk-full scenario mounts a tmpfs
# and is skipped without root. Prints "ok NAME" or "FAIL NAME: reason" per
# scenario and ends with "N passed, N failed"; exits non-zero on a failure.
# Logs (NAME.log) and screenshots (NAME-SHOT.png) go to build/e2e-artifacts/.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/support/wine-harness.sh"
[ "$(nproc)" -lt 2 ] || export WINE_HARNESS_LANES=${WINE_HARNESS_LANES:-2}
wine_harness_start selvanore-e2e "$@"

split=$root/build/linux/vantorel-split
program=$root/build/$windows/Selvanore.exe
driver=$root/build/$windows/tests/e2e/driver.exe
artifacts=$root/build/e2e-artifacts
wine_harness_need run-e2e "$split" "$program" "$driver"

mkdir -p "$artifacts"
shots=$work/shots
mkdir -p "$shots"
started=$(date +%s)
# Windows with the captions Wine draws itself (there is no window manager to
# draw them).
grep -qs '"Decorated"="N"' "$WINEPREFIX/user.reg" ||
  "$root/scripts/wine-run" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1

# 1234567 -> 1.234.567, as the program writes sizes.
dotted() {
  local n=$1 out=""
  while [ ${#n} -gt 3 ]; do
    out=".${n: -3}$out"
    n=${n:0:${#n}-3}
  done
  printf '%s%s' "$n" "$out"
}

# Runs the driver on a script read from stdin (UTF-8, given to the driver in
# Windows-1252): play NAME PROGRAM DIR. Screenshots asked for by the script
# are taken here, and its "shell STEP" runs the function step_STEP here. The log goes to the artifacts; a failure sets reason.
play() {
  local name=$1 exe=$2 dir=$3
  local script=$work/$name.script log=$artifacts/$name.log raw=$work/$name.out
  if ! iconv -f UTF-8 -t WINDOWS-1252 >"$script"; then
    fail "the script of $name is not Windows-1252 text"
    return
  fi
  : >"$raw"
  rm -f "$log" "$artifacts/$name"-*.png
  timeout 300 "$root/scripts/wine-run" "$driver" --shots "$(winpath "$shots")" "$(winpath "$exe")" "$(winpath "$dir")" \
    "$(winpath "$script")" 2>"$work/$name.stderr" |
    while IFS= read -r line; do
      line=${line%$'\r'}
      printf '%s\n' "$line" >>"$raw"
      if [[ $line == "@@screenshot "* ]]; then
        read -r _ shot x y w h <<<"$line"
        import -window root -crop "${w}x${h}+${x}+${y}" +repage "$artifacts/$name-$shot.png" >>"$raw" 2>&1 ||
          echo "(import failed for $shot)" >>"$raw"
        touch "$shots/$shot.done"
      elif [[ $line == "@@shell "* ]]; then
        read -r _ step <<<"$line"
        "step_$step" >>"$raw" 2>&1 || echo "(step $step failed)" >>"$raw"
        touch "$shots/$step.done"
      fi
    done
  local status=${PIPESTATUS[0]}
  # The driver writes Windows-1252; the log is UTF-8.
  cat "$raw" "$work/$name.stderr" | iconv -c -f WINDOWS-1252 -t UTF-8 >"$log"
  if [ "$status" -ne 0 ]; then
    local error
    error=$(grep -m1 '^error: ' "$log" | sed 's/^error: //')
    fail "driver exit $status: ${error:-no message; see $log}"
    return
  fi
  return 0
}

# make_set DIR NAME SIZE CHECKSUM CUT...: a file of SIZE random bytes in
# DIR/src, cut into DIR/parts with the joiner. Sets count and digest.
make_set() {
  local dir=$1 name=$2 size=$3 checksum=$4
  shift 4
  mkdir -p "$dir/src" "$dir/parts"
  head -c "$size" /dev/urandom >"$dir/src/$name"
  # Without recovery data: the scenarios that use it make their own.
  if ! "$split" "$dir/src/$name" "$@" --checksum "$checksum" --recovery 0 --joiner "$program" \
       --out "$dir/parts" >"$dir/split.log" 2>&1; then
    fail "vantorel-split failed: $(tail -1 "$dir/split.log")"
    return
  fi
  count=$(find "$dir/parts" -name "${name}__[0-9]*" | wc -l)
  digest=""
  case $checksum in
    md5) digest=$(md5sum <"$dir/src/$name" | cut -d' ' -f1) ;;
    sha1) digest=$(sha1sum <"$dir/src/$name" | cut -d' ' -f1) ;;
    sha224) digest=$(sha224sum <"$dir/src/$name" | cut -d' ' -f1) ;;
    sha256) digest=$(sha256sum <"$dir/src/$name" | cut -d' ' -f1) ;;
  esac
  return 0
}

engine_name() {
  case $1 in
    md5) echo MD5 ;; sha1) echo SHA-1 ;; sha224) echo SHA-224 ;; sha256) echo SHA-256 ;;
  esac
}

# The report at start-up of a complete set, as a script text:
# startup_report NAME SIZE COUNT CHECKSUM DIGEST
startup_report() {
  local name=$1 size=$2 count=$3 checksum=$4 digest=$5
  printf '%s' "Creación de archivo de salida :\\r\\n\\\"$name\\\"\\r\\nTamaño : $(dotted "$size") bytes.\\r\\n\\r\\n"
  printf '%s' "desde la concatenación de $count archivos de entrada :\\r\\n"
  printf '%s' "desde \\\"$(part "$name" 0 "$count")\\\"\\r\\nhasta \\\"$(part "$name" $((count - 1)) "$count")\\\".\\r\\n\\r\\n"
  if [ "$checksum" != none ]; then
    printf '%s' "Checksum ($(engine_name "$checksum")) :\\r\\n$digest\\r\\n\\r\\n"
  fi
  printf '%s' "Todos los archivos de entrada estan presentes.\\r\\n"
  printf '%s' "Haga click en el botón [Comenzar] para empezar la concatenación.\\r\\n"
}

# What a whole join adds to the report before its closing lines: a line a
# part, the last one left open.
progress_lines() {
  local name=$1 count=$2 i
  printf '%s' "\\r\\nConcatenación de archivos...\\r\\n"
  for ((i = 0; i < count; i++)); do
    [ "$i" -eq 0 ] || printf '%s' "\\r\\n"
    printf '%s' "\\\"$(part "$name" "$i" "$count")\\\"  100%"
  done
}

# patch_record EXE NAME FIELD VALUE: rewrites kind, size, count or name (in
# Windows-1252) in the record stamped in EXE, found by the output name at
# record offset 96 where the fields before it look stamped (the name record
# beside it holds the name too, after its length and the zeros before it).
patch_record() {
  perl -e '
    use strict;
    my ($exe, $name, $field, $value) = @ARGV;
    open(my $f, "+<:raw", $exe) or die "cannot open $exe\n";
    local $/;
    my $image = <$f>;
    my @at;
    for (my $p = index($image, "$name\0"); $p >= 0; $p = index($image, "$name\0", $p + 1)) {
      next if $p < 96;
      my ($kind, $size, $count) = unpack("V Q< V", substr($image, $p - 16, 16));
      # A stamped record: a known kind, two parts or more, a byte a part at least.
      push @at, $p - 96 if $kind <= 4 && $count >= 2 && $size >= $count;
    }
    die "the stamped name occurs " . scalar(@at) . " times\n" unless @at == 1;
    my $record = $at[0];
    my %fields = (kind => [80, "V"], size => [84, "Q<"], count => [92, "V"], name => [96, "a626"]);
    my $layout = $fields{$field} or die "unknown field $field\n";
    seek($f, $record + $layout->[0], 0);
    print $f pack($layout->[1], $value);
    close($f) or die "cannot write $exe\n";
  ' "$1" "$(printf '%s' "$2" | iconv -f UTF-8 -t WINDOWS-1252)" "$3" "$(printf '%s' "$4" | iconv -f UTF-8 -t WINDOWS-1252)" 2>"$work/patch.err" ||
    fail "patching the record failed: $(cat "$work/patch.err")"
}

# Every part of the set is still there, unchanged.
parts_intact() {
  local dir=$1 name=$2 i
  for ((i = 0; i < count; i++)); do
    [ -e "$dir/parts/$(part "$name" "$i" "$count")" ] || fail "part $i is gone" || return
  done
  cmp -s <(cat "$dir"/parts/"$name"__[0-9]*) "$dir/src/$name" || fail "the parts have changed"
}

# No file of the joiner's temporary names is left in DIR.
no_temporary() {
  local left
  left=$(find "$1" -maxdepth 1 -name '~selvanore-*.tmp' | wc -l)
  [ "$left" -eq 0 ] || fail "$left temporary files were left in $1"
}

no_parts_left() {
  local dir=$1 name=$2
  local left
  left=$(find "$dir/parts" -name "${name}__[0-9]*" | wc -l)
  [ "$left" -eq 0 ] || fail "$left parts were not deleted"
}

TITLE_START="Vantorel 3.0 - Modulo de auto-concatenación"
CLICK_EXIT="Haga click en el botón [Salida].\\r\\n"
CLICK_CANCEL="Haga click en el botón [Anular].\\r\\n"

# ---- Scenarios -----------------------------------------------------------------

# A whole join: the report before and after, the buttons, the title, the
# output identical to the original and the parts left in place.
# success NAME FILE SIZE CHECKSUM CUT...
success() {
  local scenario=$1 name=$2 size=$3 checksum=$4
  shift 4
  local dir=$work/$scenario
  make_set "$dir" "$name" "$size" "$checksum" "$@" || return
  local report result=""
  report=$(startup_report "$name" "$size" "$count" "$checksum" "$digest")
  if [ "$checksum" != none ]; then
    result="\\r\\n\\r\\nChecksum válido ($(engine_name "$checksum")) :\\r\\nEntrada : $digest\\r\\nSalida : $digest\\r\\n"
  else
    result="\\r\\n"
  fi
  local shot=""
  [ "$scenario" != success-sha256 ] || shot="screenshot startup"
  play "$scenario" "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
expect 1005 is "$report"
expect 1000 is "Comenzar"
expect 1001 is "Anular"
expect 1002 is "Elimine los archivos de entrada después de la concatenación."
expect 1003 is "Tiempo transcurrido : --:--:--"
expect 1004 is "Tiempo restante : --:--:--"
expect-enabled 1000 1
expect-enabled 1002 1
expect-checked 1002 0
$shot
click 1000
watch is "100% - Concatenación exitosa" 120
expect 1005 is "$report$(progress_lines "$name" "$count")$result\\r\\nConcatenación exitosa.\\r\\n$CLICK_EXIT"
expect 1001 is "Salida"
expect-enabled 1001 1
expect-enabled 1000 0
expect 1003 starts "Tiempo transcurrido : 00:0"
expect 1004 is "Tiempo restante : 00:00:00"
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/$name" "$dir/src/$name" || fail "the output differs from the original" || return
  parts_intact "$dir" "$name" || return
  [ -e "$dir/parts/${name}__join.exe" ] || fail "the joiner is gone"
}

# The check box ticked: after a good join every part is deleted, the joiner
# and the output stay.
delete_inputs() {
  local dir=$work/delete-inputs name=borrar.dat
  make_set "$dir" "$name" 2500000 sha256 --parts 4 || return
  play delete-inputs "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1002
expect-checked 1002 1
click 1000
wait title is "100% - Concatenación exitosa" 120
expect 1005 ends "Concatenación exitosa.\\r\\nBorrando archivos de entrada...\\r\\n$CLICK_EXIT"
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/$name" "$dir/src/$name" || fail "the output differs from the original" || return
  no_parts_left "$dir" "$name" || return
  [ -e "$dir/parts/${name}__join.exe" ] || fail "the joiner is gone"
}

# One byte of a part changed, its size kept: the checksum fails and the box
# asks whether to keep the output. keep: Yes; otherwise No with the check box
# ticked, which must not delete the inputs after a bad checksum.
bad_checksum() {
  local scenario=$1 answer=$2
  local dir=$work/$scenario name=dañado.bin
  make_set "$dir" "$name" 1500000 sha256 --parts 3 || return
  local middle byte
  middle=$dir/parts/$(part "$name" 1 3)
  byte=$(od -An -tu1 -j 1000 -N1 "$middle" | tr -d ' ')
  # shellcheck disable=SC2059 # the format is the octal escape of the new byte
  printf "\\$(printf '%03o' $(((byte + 1) % 256)))" |
    dd of="$middle" bs=1 seek=1000 conv=notrunc status=none
  local actual
  actual=$(cat "$dir"/parts/"$name"__[0-9]* | sha256sum | cut -d' ' -f1)
  # The checksum list beside the parts names the damaged part.
  local named="La parte \\\"$(part "$name" 1 3)\\\" no es válida.\\r\\n\\r\\n"
  local tick="" tail="Concatenación no exitosa.\\r\\n$CLICK_EXIT"
  if [ "$answer" = 7 ]; then
    tick="click 1002"
    tail="Borrando el archivo de salida...\\r\\n$tail"
  fi
  play "$scenario" "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
$tick
click 1000
expect-box "Vantorel - Advertencia" "El checksum no es válido.\\n¿Desea conservar el archivo de salida?" $answer
wait title is "100% - Concatenación no exitosa"
expect 1005 ends "\\r\\n\\r\\nChecksum inválido (SHA-256) :\\r\\nEntrada : $digest\\r\\nSalida : $actual\\r\\n\\r\\n$named$tail"
expect 1001 is "Salida"
click 1001
expect-exit 0
EOF
  local i
  for ((i = 0; i < 3; i++)); do
    [ -e "$dir/parts/$(part "$name" "$i" 3)" ] || fail "part $i is gone" || return
  done
  if [ "$answer" = 6 ]; then
    cmp -s "$dir/parts/$name" <(cat "$dir"/parts/"$name"__[0-9]*) ||
      fail "the kept output is not the parts' concatenation"
  else
    [ ! -e "$dir/parts/$name" ] || fail "the output was not deleted"
  fi
}

# A file of the output's name, differing only in case, exists beside the
# parts: Comenzar asks first, with No as the default button. No leaves the file
# byte for byte and the dialog ready as it was; a second run answers Yes and
# the join replaces the file.
existing_output() {
  local dir=$work/existing-output name=data.bin
  make_set "$dir" "$name" 1200000 md5 --parts 3 || return
  head -c 70000 /dev/urandom >"$dir/parts/DATA.BIN"
  cp "$dir/parts/DATA.BIN" "$dir/users"
  local report question="El archivo de salida ya existe :\\n\\\"$name\\\"\\n¿Desea reemplazarlo?"
  report=$(startup_report "$name" 1200000 3 md5 "$digest")
  play existing-output-no "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
expect-box-default 7
screenshot question
expect-box "Vantorel - Advertencia" "$question" 7
wait 1005 is "$report\\r\\nLa concatenación no ha empezado.\\r\\n"
expect title is "$TITLE_START"
expect 1000 is "Comenzar"
expect 1001 is "Anular"
expect 1003 is "Tiempo transcurrido : --:--:--"
expect-enabled 1000 1
expect-enabled 1001 1
expect-enabled 1002 1
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/DATA.BIN" "$dir/users" || fail "the existing file changed after No" || return
  [ ! -e "$dir/parts/$name" ] || fail "an output was created after No" || return
  play existing-output-yes "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
expect-box "Vantorel - Advertencia" "$question" 6
wait title is "100% - Concatenación exitosa" 120
expect 1005 ends "Concatenación exitosa.\\r\\n$CLICK_EXIT"
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/DATA.BIN" "$dir/src/$name" || fail "the existing file was not replaced by the output" || return
  no_temporary "$dir/parts" || return
  parts_intact "$dir" "$name"
}

# No checksum and a part one kilobyte short: warned at start-up, joined on
# request, then reported as not successful by the sizes; the output and every
# part stay although the box is ticked.
size_no_checksum() {
  local dir=$work/size-no-checksum name=corto.bin
  make_set "$dir" "$name" 600000 none --parts 3 || return
  # Without a checksum list: the sizes are the only proof.
  rm "$dir/parts/$name.sha256"
  truncate -s -1000 "$dir/parts/$(part "$name" 1 3)"
  local kept
  kept=$(cat "$dir"/parts/"$name"__[0-9]* | md5sum)
  play size-no-checksum "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
expect-box "Vantorel - Advertencia" "El tamaño de los archivos de entrada no son válidos. Esto significa que al menos un archivo a sido modificado desde la división.\\nSi abre la concatenación, el archivo de salida será diferente al original.\\nTamaño del archivo original : 600.000 bytes.\\nTamaño del nuevo archivo: 599.000 bytes."
wait title is "$TITLE_START"
click 1002
click 1000
wait title is "100% - Concatenación no exitosa" 120
expect 1005 ends "100%\\r\\n\\r\\nEl tamaño del archivo de salida no es válido : 599.000 bytes.\\r\\nTamaño del archivo original : 600.000 bytes.\\r\\n\\r\\nConcatenación no exitosa.\\r\\n$CLICK_EXIT"
expect 1005 lacks "Borrando"
click 1001
expect-exit 0
EOF
  local i
  for ((i = 0; i < 3; i++)); do
    [ -e "$dir/parts/$(part "$name" "$i" 3)" ] || fail "part $i is gone" || return
  done
  [ "$(cat "$dir"/parts/"$name"__[0-9]* | md5sum)" = "$kept" ] || fail "the parts have changed" || return
  [ "$(md5sum <"$dir/parts/$name")" = "$kept" ] || fail "the output is not kept as joined" || return
  no_temporary "$dir/parts"
}

# Parts that cannot be read: the join is impossible and cannot be started.
missing() {
  local scenario=$1 gone=$2 line=$3
  local dir=$work/$scenario name=faltan.bin
  make_set "$dir" "$name" 400000 md5 --parts 4 || return
  local i
  for ((i = 1; i <= gone; i++)); do rm "$dir/parts/$(part "$name" "$i" 4)"; done
  local report
  report=$(startup_report "$name" 400000 4 md5 "$digest")
  report=${report%%Todos los archivos*}
  # The checksum list beside the parts names each part that cannot be read.
  for ((i = 1; i <= gone; i++)); do
    line="$line\\r\\nNo se puede leer la parte \\\"$(part "$name" "$i" 4)\\\"."
  done
  play "$scenario" "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
expect 1005 is "$report$line\\r\\nLa concatenación es imposible.\\r\\n$CLICK_CANCEL"
expect-enabled 1000 0
expect-enabled 1002 0
expect 1001 is "Anular"
click 1001
expect-exit 0
EOF
  [ ! -e "$dir/parts/$name" ] || fail "an output was created"
}

# A joiner that names no parts: the unstamped program, or a record whose
# count was cut to one.
not_ours() {
  local scenario=$1 exe=$2 dir=$3
  play "$scenario" "$exe" "$dir" <<EOF
start
wait title is "$TITLE_START"
expect 1005 is "Este archivo de auto-concatenación no a sido creado por Vantorel.\\r\\n$CLICK_CANCEL"
expect-enabled 1000 0
expect-enabled 1002 0
expect-enabled 1001 1
click 1001
expect-exit 0
EOF
}

unstamped() {
  local dir=$work/unstamped
  mkdir -p "$dir"
  cp "$program" "$dir/Selvanore.exe"
  not_ours unstamped "$dir/Selvanore.exe" "$dir"
}

one_part() {
  local dir=$work/one-part name=uno.bin
  make_set "$dir" "$name" 300000 sha1 --parts 3 || return
  patch_record "$dir/parts/${name}__join.exe" "$name" count 1 || return
  not_ours one-part "$dir/parts/${name}__join.exe" "$dir/parts" || return
  [ ! -e "$dir/parts/$name" ] || fail "an output was created"
}

# A record of an unknown checksum kind: the program says so, and its window,
# created all the same, ends with the program (exit code 0).
start_error() {
  local dir=$work/start-error name=cinco.bin
  make_set "$dir" "$name" 300000 sha1 --parts 3 || return
  patch_record "$dir/parts/${name}__join.exe" "$name" kind 5 || return
  play start-error "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF
start
expect-box "Vantorel - Error" "Error al iniciar."
expect-exit 0
EOF
}

# A part grown since the cut: a warning box at start-up and in the report;
# the join can still be run, and fails its checksum.
size_mismatch() {
  local dir=$work/size-mismatch name=tamaño.bin
  make_set "$dir" "$name" 3000000 sha256 --parts 3 || return
  printf '0123456789' >>"$dir/parts/$(part "$name" 2 3)"
  play size-mismatch "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait-box
screenshot size-warning
expect-box "Vantorel - Advertencia" "El tamaño de los archivos de entrada no son válidos. Esto significa que al menos un archivo a sido modificado desde la división.\\nSi abre la concatenación, el archivo de salida será diferente al original.\\nTamaño del archivo original : 3.000.000 bytes.\\nTamaño del nuevo archivo: 3.000.010 bytes."
wait title is "$TITLE_START"
expect 1005 ends "Todos los archivos de entrada estan presentes.\\r\\nHaga click en el botón [Comenzar] para empezar la concatenación.\\r\\n\\r\\n** Advertencia **\\r\\nEl tamaño de los archivos de entrada no es válido : 3.000.010 bytes.\\r\\n"
expect-enabled 1000 1
click 1000
expect-box "Vantorel - Advertencia" "El checksum no es válido.\\n¿Desea conservar el archivo de salida?" 7
wait title is "100% - Concatenación no exitosa"
click 1001
expect-exit 0
EOF
  [ ! -e "$dir/parts/$name" ] || fail "the output was not deleted"
}

# A set of 4 GiB in sparse parts with some random islands, long enough to
# pause and cancel: a small file cut into four, the parts then replaced and
# the record's size rewritten. Made once, shared by the big scenarios; in
# memory where there is room for the joined file, whose 4 GiB a disk takes
# several seconds to write each time.
wine_harness_scratch big_dir 6
big_name=grande.bin
big_size=$((4 << 30))
make_big() {
  if [ -e "$big_dir/ready" ]; then
    # What a failed scenario may have left must not fail the next one.
    rm -f "$big_dir/parts/$big_name" "$big_dir"/parts/~selvanore-*.tmp
    return 0
  fi
  mkdir -p "$big_dir/src" "$big_dir/parts"
  printf 'abcd' >"$big_dir/src/$big_name"
  "$split" "$big_dir/src/$big_name" --parts 4 --checksum none --recovery 0 --joiner "$program" \
    --out "$big_dir/parts" >/dev/null 2>&1 || fail "vantorel-split failed" || return
  # The parts are replaced: the small file's list would name every one.
  rm -f "$big_dir/parts/$big_name.sha256"
  local i k p
  for ((i = 0; i < 4; i++)); do
    p=$big_dir/parts/$(part "$big_name" "$i" 4)
    rm "$p"
    truncate -s 1G "$p"
    for ((k = 0; k < 1024; k += 97)); do
      head -c 4096 /dev/urandom | dd of="$p" bs=1M seek="$k" conv=notrunc status=none
    done
  done
  patch_record "$big_dir/parts/${big_name}__join.exe" "$big_name" size "$big_size" || return
  touch "$big_dir/ready"
}

big_output_gone() {
  [ ! -e "$big_dir/parts/$big_name" ] || fail "the output was not deleted" || return
  no_temporary "$big_dir/parts"
}

big_parts_intact() {
  local i
  for ((i = 0; i < 4; i++)); do
    [ "$(stat -c %s "$big_dir/parts/$(part "$big_name" "$i" 4)")" -eq $((1 << 30)) ] ||
      fail "part $i has changed" || return
  done
}

BIG_RUNNING="% - Concatenación en curso..."

# Pause: the button says "Continuar", the report ends with the notice, the
# joined file (under its temporary name) stops growing and a close request
# is refused; resumed, the join ends with the output complete, and a close
# request is then accepted.
pause_resume() {
  make_big || return
  play pause-resume "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
wait 1000 is "Pausa"
expect title ends "$BIG_RUNNING"
wait 1005 has "\"grande.bin__001\""
click 1000
wait 1000 is "Continuar"
expect title ends "% - Pausa"
expect 1005 ends "%  ** PAUSA **"
expect-enabled 1000 1
expect-enabled 1001 1
expect-file-steady ~selvanore-*.tmp 1500
expect-steady title 500
screenshot paused
close
expect-box "Vantorel - Error" "Concatenación en progreso. Cancele o espere hasta que termine para salir de la aplicación."
expect title ends "% - Pausa"
click 1000
wait 1000 is "Pausa"
wait 1005 lacks "** PAUSA **"
expect title ends "$BIG_RUNNING"
wait title is "100% - Concatenación exitosa" 180
expect 1005 ends "\\"grande.bin__003\\"  100%\\r\\n\\r\\nConcatenación exitosa.\\r\\n$CLICK_EXIT"
expect 1005 lacks "PAUSA"
screenshot finished
close
expect-exit 0
EOF
  [ "$(stat -c %s "$big_dir/parts/$big_name")" -eq "$big_size" ] ||
    fail "the output has $(stat -c %s "$big_dir/parts/$big_name") bytes, not $big_size" || return
  cmp -s "$big_dir/parts/$big_name" <(cat "$big_dir"/parts/"$big_name"__[0-9]*) ||
    fail "the output differs from the parts' concatenation" || return
  rm -f "$big_dir/parts/$big_name"
  big_parts_intact
}

# Cancel while the join runs: the output is deleted; a close is accepted.
cancel() {
  make_big || return
  play cancel "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1002
click 1000
wait title ends "$BIG_RUNNING"
click 1001
wait title ends "% - Concatenación anulada"
expect 1005 ends "%\\r\\n\\r\\nLa concatenación ha sido cancelada.\\r\\n$CLICK_EXIT"
expect 1001 is "Salida"
expect-enabled 1000 0
close
expect-exit 0
EOF
  big_output_gone || return
  big_parts_intact
}

# Cancel while paused: the pause notice goes, the output is deleted.
pause_cancel() {
  make_big || return
  play pause-cancel "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
wait 1000 is "Pausa"
click 1000
wait 1000 is "Continuar"
click 1001
wait title ends "% - Concatenación anulada"
expect 1005 ends "%\\r\\n\\r\\nLa concatenación ha sido cancelada.\\r\\n$CLICK_EXIT"
expect 1005 lacks "PAUSA"
expect-enabled 1000 0
click 1001
expect-exit 0
EOF
  big_output_gone || return
  big_parts_intact
}

# A close request while the join runs is refused and changes nothing; once
# the join has been cancelled it is accepted.
close_refused() {
  make_big || return
  play close-refused "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
wait title ends "$BIG_RUNNING"
close
expect-box "Vantorel - Error" "Concatenación en progreso. Cancele o espere hasta que termine para salir de la aplicación."
expect title ends "$BIG_RUNNING"
expect 1000 is "Pausa"
expect 1001 is "Anular"
click 1001
wait title ends "% - Concatenación anulada"
close
expect-exit 0
EOF
  big_output_gone || return
  big_parts_intact
}

# The output does not fit: a tmpfs of 8 MiB holds the parts and the joiner
# with less than the output's size free. The write error box names the
# output, the output is deleted and the parts stay although the box is ticked.
disk_full() {
  local dir=$work/disk-full name=lleno.bin
  mkdir -p "$dir/src" "$dir/parts"
  if ! mount -t tmpfs -o size=8m tmpfs "$dir/parts" 2>"$work/mount.err"; then
    reason="cannot mount a tmpfs ($(head -1 "$work/mount.err")); run as root"
    return 2
  fi
  mounted=$dir/parts
  local status=0
  disk_full_run "$dir" "$name" || status=1
  umount "$dir/parts" && mounted=""
  return $status
}

disk_full_run() {
  local dir=$1 name=$2
  make_set "$dir" "$name" 5000000 md5 --parts 2 || return
  play disk-full "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1002
click 1000
wait-box
screenshot error-box
expect-box "Vantorel - Error" "Un error a ocurrido durante la escritura del siguiente archivo :\\n\\"$name\\""
wait title ends "% - Error durante la concatenación"
expect 1005 ends "\\r\\n\\r\\nError durante la concatenación.\\r\\nLa concatenación ha sido cancelada.\\r\\n"
expect 1001 is "Salida"
expect-enabled 1001 1
expect-enabled 1000 0
click 1001
expect-exit 0
EOF
  [ ! -e "$dir/parts/$name" ] || fail "the output was not deleted" || return
  no_temporary "$dir/parts" || return
  parts_intact "$dir" "$name"
}

# ---- Nothing lost: the user's file, links, kills, forged records and clicks ----

# A forged record: a part count no splitter writes, or a name that leaves the
# parts' folder. Start-up fails as for any unusable record, nothing is written.
forged_record() {
  local dir=$work/forged-record name=falso.bin
  make_set "$dir" "$name" 300000 none --parts 3 || return
  cp "$dir/parts/${name}__join.exe" "$dir/parts/count__join.exe"
  patch_record "$dir/parts/count__join.exe" "$name" count 4294967295 || return
  play forged-record-count "$dir/parts/count__join.exe" "$dir/parts" <<EOF || return
start
expect-box "Vantorel - Error" "Error al iniciar."
expect-exit 0
EOF
  patch_record "$dir/parts/${name}__join.exe" "$name" name '..\fuera.bin' || return
  play forged-record-name "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
expect-box "Vantorel - Error" "Error al iniciar."
expect-exit 0
EOF
  [ ! -e "$dir/fuera.bin" ] || fail "a file was written outside the parts' folder" || return
  no_temporary "$dir/parts"
}

# Without a checksum, ten bytes moved from the end of part 0 to the end of
# part 1 after start-up keep the total, but the join is no success: the
# report names the part, and the output and every part stay although the
# box is ticked.
step_move_tail() {
  tail -c 10 "$moved_first" >>"$moved_second"
  truncate -s -10 "$moved_first"
}

part_changed() {
  local dir=$work/part-changed name=movido.bin
  make_set "$dir" "$name" 600000 none --parts 3 || return
  # Without a checksum list: the sizes are the only proof.
  rm "$dir/parts/$name.sha256"
  moved_first=$dir/parts/$(part "$name" 0 3)
  moved_second=$dir/parts/$(part "$name" 1 3)
  play part-changed "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
shell move_tail
click 1002
click 1000
wait title is "100% - Concatenación no exitosa" 120
expect 1005 ends "100%\\r\\n\\r\\n\\"$(part "$name" 0 3)\\"\\r\\nEl tamaño de los archivos de entrada no es válido : 199.990 bytes.\\r\\n\\r\\nConcatenación no exitosa.\\r\\n$CLICK_EXIT"
click 1001
expect-exit 0
EOF
  [ "$(stat -c %s "$moved_first")" -eq 199990 ] || fail "part 0 was deleted or changed" || return
  cmp -s "$dir/parts/$name" <(cat "$dir"/parts/"$name"__[0-9]*) || fail "the output is not kept as joined" || return
  if cmp -s "$dir/parts/$name" "$dir/src/$name"; then
    fail "the output is the original: the parts did not change"
    return
  fi
  no_temporary "$dir/parts"
}

# Yes to "ya existe", then Anular: the existing file stays byte for byte, and
# the job's own file goes.
existing_cancel() {
  make_big || return
  local users=$work/existing-cancel.users
  head -c 300000 /dev/urandom >"$users"
  cp "$users" "$big_dir/parts/$big_name"
  play existing-cancel "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
expect-box "Vantorel - Advertencia" "El archivo de salida ya existe :\\n\\"$big_name\\"\\n¿Desea reemplazarlo?" 6
wait title ends "$BIG_RUNNING"
wait 1005 has "\\"grande.bin__001\\""
click 1001
wait title ends "% - Concatenación anulada"
expect 1005 ends "%\\r\\n\\r\\nLa concatenación ha sido cancelada.\\r\\n$CLICK_EXIT"
click 1001
expect-exit 0
EOF
  cmp -s "$users" "$big_dir/parts/$big_name" || fail "the existing file changed" || return
  rm "$big_dir/parts/$big_name"
  no_temporary "$big_dir/parts" || return
  big_parts_intact
}

# A join killed halfway (TerminateProcess) leaves no file under the output's
# name, only its temporary file, which does not block the next run: that
# one creates its own file and runs (it is cancelled, and its file goes).
killed() {
  make_big || return
  play killed "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
wait title ends "$BIG_RUNNING"
wait 1005 has "\"grande.bin__001\""
kill
EOF
  [ ! -e "$big_dir/parts/$big_name" ] && [ ! -L "$big_dir/parts/$big_name" ] ||
    fail "a file of the output's name was left by the killed join" || return
  # The unfinished file was marked for deletion: it went with the process.
  no_temporary "$big_dir/parts" || return
  # A file a join left where the system could not make it vanish is named by
  # the next run's start-up report, and left alone.
  local leftover="~selvanore-0123456789abcdef.tmp"
  head -c 1234 /dev/zero >"$big_dir/parts/$leftover"
  play killed-next "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
expect 1005 has "\\r\\n\\r\\nArchivos temporales de una concatenación anterior :\\r\\n\\"$leftover\\" : 1.234 bytes.\\r\\n\\r\\nTodos los archivos"
screenshot leftover
click 1001
expect-exit 0
EOF
  [ "$(stat -c %s "$big_dir/parts/$leftover")" -eq 1234 ] || fail "the leftover was not left alone" || return
  rm "$big_dir/parts/$leftover"
  big_output_gone || return
  big_parts_intact
}

# Steps run while the big join is paused: a document saved under the output's
# name; the joined file swapped for another at its temporary name; the folder
# made read-only (immutable: root too is refused).
step_save_document() { printf 'my new document\n' >"$big_dir/parts/$big_name"; }
step_swap_temporary() {
  local temp
  temp=$(find "$big_dir/parts" -maxdepth 1 -name '~selvanore-*.tmp')
  [ "$(printf '%s\n' "$temp" | grep -c .)" -eq 1 ] || { echo "no temporary file to swap: $temp"; return 1; }
  printf 'another file\n' >"$big_dir/intruder"
  mv -f "$big_dir/intruder" "$temp"
  printf '%s' "$temp" >"$big_dir/swapped"
}
step_lock_folder() { chattr +i "$big_dir/parts"; }

# play_paused NAME STEP: the big join started, paused in its second part, the
# step run and the join resumed; the rest of the script is read from stdin.
play_paused() {
  local name=$1 step=$2
  { cat <<EOF
start
wait title is "$TITLE_START"
click 1000
wait 1005 has "\"grande.bin__001\""
click 1000
wait 1000 is "Continuar"
shell $step
click 1000
EOF
    cat; } | play "$name" "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts"
}

# A document the user saves under the output's name during the join survives:
# the end asks the replace question, and No keeps the document and the joined
# file under a name of its own, which a box gives.
appeared() {
  make_big || return
  local own="grande (2).bin"
  rm -f "$big_dir/parts/$own"
  play_paused appeared save_document <<EOF || return
expect-box "Vantorel - Advertencia" "El archivo de salida ya existe :\\n\"$big_name\"\\n¿Desea reemplazarlo?" 7 180
wait-box
screenshot kept
expect-box "Vantorel - Advertencia" "El archivo de salida ya existe :\\n\"$big_name\"\\nEl archivo concatenado ha sido guardado como :\\n\"$own\""
wait title is "100% - Concatenación exitosa"
expect 1005 ends "El archivo de salida ha sido guardado como :\\r\\n\"$own\"\\r\\n\\r\\nConcatenación exitosa.\\r\\nLos archivos de entrada no han sido borrados.\\r\\n$CLICK_EXIT"
click 1001
expect-exit 0
EOF
  [ "$(cat "$big_dir/parts/$big_name")" = "my new document" ] || fail "the document saved during the join changed" || return
  cmp -s "$big_dir/parts/$own" <(cat "$big_dir"/parts/"$big_name"__[0-9]*) ||
    fail "the file kept under its own name is not the join" || return
  rm -f "$big_dir/parts/$own" "$big_dir/parts/$big_name"
  no_temporary "$big_dir/parts" || return
  big_parts_intact
}

# The joined file swapped for another under its temporary name is never
# published: the box says so, no output is made, the other file stays.
swapped() {
  make_big || return
  rm -f "$big_dir/swapped"
  play_paused swapped swap_temporary <<EOF || return
expect-box-has "Vantorel - Error" "El archivo temporal ha sido reemplazado por otro archivo durante la concatenación :" 1 180
wait title is "100% - Concatenación no exitosa"
click 1001
expect-exit 0
EOF
  local temp
  temp=$(cat "$big_dir/swapped")
  [ ! -e "$big_dir/parts/$big_name" ] || fail "a file was published under the output's name" || return
  [ "$(cat "$temp")" = "another file" ] || fail "the file swapped in was changed or deleted" || return
  rm -f "$temp" "$big_dir/swapped"
  big_parts_intact
}

# The folder made read-only during the join: the verified file keeps its
# temporary name, which the box gives with the reason.
folder_locked() {
  make_big || return
  if ! chattr +i "$big_dir/parts" 2>/dev/null; then
    reason="this file system has no immutable flag"
    return 2
  fi
  chattr -i "$big_dir/parts"
  play_paused folder-locked lock_folder <<EOF
expect-box-has "Vantorel - Error" "\"$big_name\"\\nAcceso denegado.\\nEl archivo concatenado ha sido guardado como :\\n\"~selvanore-" 1 180
wait title is "100% - Concatenación exitosa"
click 1001
expect-exit 0
EOF
  local status=$?
  chattr -i "$big_dir/parts"
  [ "$status" -eq 0 ] || return 1
  local kept
  kept=$(find "$big_dir/parts" -maxdepth 1 -name '~selvanore-*.tmp')
  [ "$(printf '%s\n' "$kept" | grep -c .)" -eq 1 ] || fail "expected the joined file kept, found: $kept" || return
  cmp -s "$kept" <(cat "$big_dir"/parts/"$big_name"__[0-9]*) || fail "the kept file is not the join" || return
  rm -f "$kept"
  big_output_gone || return
  big_parts_intact
}

# An existing file the user agreed to replace, open in another program: tried
# again for a moment, then the verified join is kept under a name of its own
# and the box says why; the open file is left as it was.
in_use() {
  local dir=$work/in-use name=abierto.bin own="abierto (2).bin"
  make_set "$dir" "$name" 1200000 sha256 --parts 3 || return
  printf 'a document open in another program\n' >"$dir/parts/$name"
  cp "$dir/parts/$name" "$dir/users"
  play in-use "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
hold "$name"
click 1000
expect-box "Vantorel - Advertencia" "El archivo de salida ya existe :\\n\"$name\"\\n¿Desea reemplazarlo?" 6
wait-box 120
screenshot in-use
expect-box "Vantorel - Error" "Un error a ocurrido durante la creación del siguiente archivo :\\n\"$name\"\\nEl archivo está abierto en otro programa.\\nEl archivo concatenado ha sido guardado como :\\n\"$own\""
wait title is "100% - Concatenación exitosa"
release
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/$name" "$dir/users" || fail "the open file changed" || return
  cmp -s "$dir/parts/$own" "$dir/src/$name" || fail "the file kept under its own name is not the original" || return
  no_temporary "$dir/parts" || return
  parts_intact "$dir" "$name"
}

# Clicks posted to the disabled Comenzar, a WM_COMMAND of it and a
# WM_JOIN_DONE posted from outside change nothing: before the join, after
# it (Salida then deletes nothing), and while the replace question is open
# (one box, one line, no worker).
posted_clicks() {
  local dir=$work/posted-clicks name=clics.bin
  make_set "$dir" "$name" 900000 md5 --parts 3 || return
  local report
  report=$(startup_report "$name" 900000 3 md5 "$digest")
  play posted-clicks "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
post-message 1025
expect-steady 1005 500
expect 1005 is "$report"
expect title is "$TITLE_START"
click 1000
wait title is "100% - Concatenación exitosa" 120
expect-enabled 1000 0
post-click 1000
post-message 273 1000
post-message 1025
expect-steady 1005 1000
expect 1005 ends "Concatenación exitosa.\\r\\n$CLICK_EXIT"
expect title is "100% - Concatenación exitosa"
expect 1001 is "Salida"
screenshot after-clicks
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/$name" "$dir/src/$name" || fail "the output is not the original after the clicks" || return
  local question="El archivo de salida ya existe :\\n\\\"$name\\\"\\n¿Desea reemplazarlo?"
  play posted-clicks-question "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
wait-box
post-click 1000
post-click 1000
post-message 273 1000
post-click 1001
sleep 500
screenshot question-clicks
expect-box "Vantorel - Advertencia" "$question" 7
wait 1005 ends "La concatenación no ha empezado.\\r\\n"
expect-steady 1005 500
expect 1005 is "$report\\r\\nLa concatenación no ha empezado.\\r\\n"
expect-enabled 1000 1
expect-enabled 1001 1
expect-enabled 1002 1
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/$name" "$dir/src/$name" || fail "the output changed" || return
  no_temporary "$dir/parts" || return
  parts_intact "$dir" "$name"
}

# A WM_JOIN_DONE posted from outside while the join is paused is not the
# worker's: the dialog stays paused, and the job is cancelled as usual.
posted_done() {
  make_big || return
  play posted-done "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
wait title ends "$BIG_RUNNING"
click 1000
wait 1000 is "Continuar"
post-message 1025
post-message 1027
expect-steady title 1000
expect title ends "% - Pausa"
expect 1005 ends "%  ** PAUSA **"
click 1001
wait title ends "% - Concatenación anulada"
click 1001
expect-exit 0
EOF
  big_output_gone || return
  big_parts_intact
}

# The output's name is a Unix symbolic link (Wine maps Windows links to
# them), to a file in another folder or dangling: the question comes. Yes
# then Anular leave the link and its target as they were; a finished join
# replaces the link itself, and its target stays as it was (or absent).
link_cancelled() {
  make_big || return
  local elsewhere=$work/link-elsewhere
  mkdir -p "$elsewhere"
  head -c 50000 /dev/urandom >"$elsewhere/destino.bin"
  cp "$elsewhere/destino.bin" "$work/link-target.copy"
  ln -s "$elsewhere/destino.bin" "$big_dir/parts/$big_name"
  play link-cancelled "$big_dir/parts/${big_name}__join.exe" "$big_dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
expect-box "Vantorel - Advertencia" "El archivo de salida ya existe :\\n\\"$big_name\\"\\n¿Desea reemplazarlo?" 6
wait title ends "$BIG_RUNNING"
sleep 1500
click 1001
wait title ends "% - Concatenación anulada"
click 1001
expect-exit 0
EOF
  [ -L "$big_dir/parts/$big_name" ] && [ "$(readlink "$big_dir/parts/$big_name")" = "$elsewhere/destino.bin" ] ||
    fail "the link was changed" || return
  cmp -s "$elsewhere/destino.bin" "$work/link-target.copy" || fail "the link's target changed" || return
  rm "$big_dir/parts/$big_name"
  no_temporary "$big_dir/parts" || return
  big_parts_intact
}

# link_replaced SCENARIO dangling|file
link_replaced() {
  local scenario=$1 kind=$2
  local dir=$work/$scenario name=enlace.bin
  make_set "$dir" "$name" 800000 sha1 --parts 2 || return
  mkdir -p "$dir/elsewhere"
  [ "$kind" = dangling ] || head -c 40000 /dev/urandom >"$dir/elsewhere/destino.bin"
  [ "$kind" = dangling ] || cp "$dir/elsewhere/destino.bin" "$dir/target.copy"
  ln -s "$dir/elsewhere/destino.bin" "$dir/parts/$name"
  play "$scenario" "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
expect-box "Vantorel - Advertencia" "El archivo de salida ya existe :\\n\\"$name\\"\\n¿Desea reemplazarlo?" 6
wait title is "100% - Concatenación exitosa" 120
click 1001
expect-exit 0
EOF
  [ ! -L "$dir/parts/$name" ] || fail "the link is still there" || return
  cmp -s "$dir/parts/$name" "$dir/src/$name" || fail "the output differs from the original" || return
  if [ "$kind" = dangling ]; then
    [ ! -e "$dir/elsewhere/destino.bin" ] || fail "a file was made where the link pointed" || return
  else
    cmp -s "$dir/elsewhere/destino.bin" "$dir/target.copy" || fail "the link's target changed" || return
  fi
  no_temporary "$dir/parts"
}

# The driver itself must fail on what is wrong, and say why: a text that is
# not there, a box nobody expected, a click on a disabled button.
# refuted NAME EXE DIR REASON < SCRIPT: the script fails with REASON.
refuted() {
  local name=$1 exe=$2 dir=$3 want=$4
  if play "$name" "$exe" "$dir"; then
    fail "the driver passed a script that must fail ($name)"
    return
  fi
  if [[ $reason != "driver exit 1: "*"$want"* ]]; then
    fail "$name failed for another reason than '$want': $reason"
    return
  fi
  reason=""
}

driver_catches() {
  local dir=$work/driver-catches name=control.bin
  make_set "$dir" "$name" 200000 md5 --parts 2 || return
  local exe=$dir/parts/${name}__join.exe
  refuted driver-catches-text "$exe" "$dir/parts" \
    'line 2: expected 1005 has "Todos los archivos de entrada NO estan presentes."' <<EOF || return
start
expect 1005 has "Todos los archivos de entrada NO estan presentes."
expect-exit 0
EOF
  printf 'x' >>"$dir/parts/$(part "$name" 0 2)"
  refuted driver-catches-box "$exe" "$dir/parts" \
    'line 2: unexpected message box "Vantorel - Advertencia": "El tamaño de los archivos' <<EOF || return
start
wait title is "$TITLE_START"
EOF
  rm "$dir/parts/$(part "$name" 1 2)"
  refuted driver-catches-disabled "$exe" "$dir/parts" \
    'line 3: control 1000 is disabled: it cannot be clicked' <<EOF
start
wait title is "$TITLE_START"
click 1000
EOF
}

# ---- Running -------------------------------------------------------------------

# Two lanes at once where there are two processors (tests/support/wine-harness.sh):
# lane 1 takes the scenarios of the 4 GiB set (one set, in memory) and of the
# other code pages' prefixes, lane 2 the others.
wine_harness_lane 2
scenario driver-catches driver_catches
scenario success-md5 success success-md5 datos.bin 3000000 md5 --parts 3
scenario success-sha1 success success-sha1 datos.iso 3500001 sha1 --size 1M
scenario success-sha224 success success-sha224 datos.tar 1234567 sha224 --parts 2
scenario success-sha256 success success-sha256 'Año café «1».bin' 2000003 sha256 --parts 5
scenario success-none success success-none datos.raw 777777 none --size 100K
scenario success-1001-parts success success-1001-parts mil.bin 100100 md5 --parts 1001
scenario delete-inputs delete_inputs
scenario bad-checksum-keep bad_checksum bad-checksum-keep 6
scenario bad-checksum-delete bad_checksum bad-checksum-delete 7
scenario existing-output existing_output
scenario size-no-checksum size_no_checksum
scenario missing-part missing missing-part 1 "No se puede leer un archivo de entrada."
scenario missing-parts missing missing-parts 2 "No se puede leer 2 archivos de entrada."
scenario unstamped unstamped
scenario one-part one_part
scenario start-error start_error
scenario size-mismatch size_mismatch
wine_harness_lane 1
scenario pause-resume pause_resume
scenario cancel cancel
scenario pause-cancel pause_cancel
wine_harness_lane 2
scenario close-refused close_refused
scenario disk-full disk_full
scenario forged-record forged_record
scenario part-changed part_changed
scenario existing-cancel existing_cancel
wine_harness_lane 1
scenario killed killed
scenario appeared appeared
scenario swapped swapped
scenario folder-locked folder_locked
wine_harness_lane 2
scenario in-use in_use
scenario posted-clicks posted_clicks
scenario posted-done posted_done
scenario link-cancelled link_cancelled
scenario link-dangling link_replaced link-dangling dangling
scenario link-replaced link_replaced link-replaced file

# ---- Other code pages, other working directories -------------------------------

# TEXT with its backslashes and quotes escaped, for a script's quoted text.
script_text() {
  local text=${1//\\/\\\\}
  printf '%s' "${text//\"/\\\"}"
}

# NAME as the driver reads it from a window: each character Windows-1252
# lacks as {U+XXXX}.
driver_text() {
  python3 -c 'import sys
print("".join(c if c.encode("cp1252", "ignore") else "{U+%04X}" % ord(c) for c in sys.argv[1]), end="")' "$1"
}

# Prints the Wine prefix of code page PAGE (build/wine-PAGE), for processes
# of LOCALE, from which Wine takes the ANSI code page. Made as a copy of the
# build's prefix, which Wine adapts to the new locale on its first start (a
# prefix booted anew took some 20 s more on each fresh machine); its windows
# are drawn without the window manager's frames, as in the build's.
# code_page_prefix PAGE LOCALE
code_page_prefix() {
  local prefix=$root/build/wine-$1
  wine_harness_copy_prefix "$prefix"
  mkdir -p "$prefix"
  grep -qs '"Decorated"="N"' "$prefix/user.reg" ||
    WINEPREFIX=$prefix LC_ALL=$2 "$root/scripts/wine-run" \
      reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  printf '%s\n' "$prefix"
}

# The joiner on a Windows of another ANSI code page (cp1251 Cyrillic, cp932
# Japanese, cp1252 Western), which Wine takes from the locale of its
# processes, in a prefix of its own made with that locale: the name's parts
# (accented, or in another script, cut on Linux) are found and joined byte
# for byte under the exact name, and every text, read on the wide side as
# that user sees it, reads as on a Western system (report, title, question,
# buttons), the name exactly.
# code_page SCENARIO LOCALE CODEPAGE [NAME]
code_page() {
  local scenario=$1 locale=$2 page=$3 name=${4:-Año café.bin}
  if ! locale -a 2>/dev/null | grep -qix "${locale%%.*}.utf8"; then
    reason="no locale $locale (scripts/setup generates it)"
    return 2
  fi
  local dir=$work/$scenario shown
  shown=$(driver_text "$name")
  make_set "$dir" "$name" 1500000 sha256 --parts 3 || return
  # An older output: the replace question names it.
  head -c 5000 /dev/urandom >"$dir/parts/$name"
  local report question="El archivo de salida ya existe :\\n\\\"$shown\\\"\\n¿Desea reemplazarlo?"
  report=$(startup_report "$shown" 1500000 3 sha256 "$digest")
  local result="\\r\\n\\r\\nChecksum válido (SHA-256) :\\r\\nEntrada : $digest\\r\\nSalida : $digest\\r\\n"
  local prefix
  prefix=$(code_page_prefix "$page" "$locale")
  local status=0
  WINEPREFIX=$prefix LC_ALL=$locale play "$scenario" "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || status=1
expect-code-page $page
start
wait title is "$TITLE_START" 60
expect 1005 starts "Creación de archivo de salida :\\r\\n\\"$shown\\"\\r\\n"
expect 1005 is "$report"
expect 1002 is "Elimine los archivos de entrada después de la concatenación."
expect 1003 is "Tiempo transcurrido : --:--:--"
screenshot startup
click 1000
expect-box "Vantorel - Advertencia" "$question" 6
wait title is "100% - Concatenación exitosa" 120
expect 1005 is "$report$(progress_lines "$shown" 3)$result\\r\\nConcatenación exitosa.\\r\\n$CLICK_EXIT"
click 1001
expect-exit 0
EOF
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  [ $status -eq 0 ] || return 1
  cmp -s "$dir/parts/$name" "$dir/src/$name" || fail "the output differs from the original" || return
  parts_intact "$dir" "$name"
}

# Started with another working directory (a console in another folder, a
# shortcut's "Start in", a launcher): the parts beside the program are
# surveyed and joined there; the working directory, which holds a file of the
# output's name, is left exactly as it was.
elsewhere() {
  local dir=$work/elsewhere name=lejos.bin
  make_set "$dir" "$name" 900000 md5 --parts 3 || return
  local cwd="$dir/otra carpeta"
  mkdir -p "$cwd"
  head -c 4000 /dev/urandom >"$cwd/$name"
  cp "$cwd/$name" "$dir/users"
  local report
  report=$(startup_report "$name" 900000 3 md5 "$digest")
  play elsewhere "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start-in "$(script_text "$(winpath "$cwd")")"
wait title is "$TITLE_START"
expect 1005 is "$report"
click 1000
wait title is "100% - Concatenación exitosa" 120
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/$name" "$dir/src/$name" || fail "the output differs from the original" || return
  parts_intact "$dir" "$name" || return
  [ "$(ls -A "$cwd")" = "$name" ] || fail "the working directory holds: $(ls -A "$cwd" | tr '\n' ' ')" || return
  cmp -s "$cwd/$name" "$dir/users" || fail "the working directory's $name has changed"
}

wine_harness_lane 1
scenario code-page-1251 code_page code-page-1251 ru_RU.UTF-8 1251
scenario code-page-932 code_page code-page-932 ja_JP.UTF-8 932
# Names in other scripts, cut on Linux: the record holds a stand-in, the
# name record the name, on every code page.
cyrillic='Отчёт año.bin' cjk='報告書 データ.bin'
scenario code-page-1251-cyrillic code_page code-page-1251-cyrillic ru_RU.UTF-8 1251 "$cyrillic"
scenario code-page-1251-cjk code_page code-page-1251-cjk ru_RU.UTF-8 1251 "$cjk"
scenario code-page-932-cyrillic code_page code-page-932-cyrillic ja_JP.UTF-8 932 "$cyrillic"
scenario code-page-932-cjk code_page code-page-932-cjk ja_JP.UTF-8 932 "$cjk"
scenario code-page-1252-cyrillic code_page code-page-1252-cyrillic C.UTF-8 1252 "$cyrillic"
scenario code-page-1252-cjk code_page code-page-1252-cjk C.UTF-8 1252 "$cjk"
wine_harness_lane 2
scenario elsewhere elsewhere

# ---- The splitter's window (Vantorel.exe) ----------------------------------------

window=$root/build/$windows/Vantorel.exe
WINDOW_SETUP='window "VANTOREL" 1113 1100 1124'
TITLE_WINDOW="Vantorel 3.0 - Corte de archivos"

window_needed() {
  [ -f "$window" ] || { reason="no $window (build the $windows preset)"; return 1; }
}

# Started with a file as its one argument (as a drop on the icon gives it),
# the window shows it; Cortar with the defaults (mail parts of 6.5 MiB,
# SHA-256, beside the file) makes the set, the summary says what to send,
# the list checks with sha256sum and the stamped joiner rebuilds the file.
window_cut() {
  window_needed || return
  local dir=$work/window-cut name='Año café.bin'
  mkdir -p "$dir/in"
  head -c 15000000 /dev/urandom >"$dir/in/$name"
  cp "$dir/in/$name" "$dir/original"
  local file folder
  file=$(script_text "$(winpath "$dir/in/$name")")
  folder=$(script_text "$(winpath "$dir/in")")
  play window-cut "$window" "$dir" <<EOF || return
$WINDOW_SETUP
start "$file"
wait title is "$TITLE_WINDOW"
expect 1100 is "$file"
expect 1102 is "Tamaño : 15.000.000 bytes (14,3 MiB)"
expect 1103 is "Correo, adjuntos de 10 MB (partes de 6,5 MiB)"
expect 1106 is "SHA-256"
expect 1125 is "Automática"
expect 1107 is "$folder"
expect 1113 is "Cortar"
expect-enabled 1113 1
expect-enabled 1114 0
expect-enabled 1104 0
screenshot ready
click 1113
wait-box 120
screenshot summary
expect-box-has "Vantorel - Corte terminado" "Se ha cortado \"$name\" (15.000.000 bytes) en 3 partes.\n\nEl conjunto tiene 7 archivos, " 7
expect 1112 is "Corte terminado: \"$name\" en 3 partes."
expect 1111 is "Tiempo restante : 00:00:00"
expect-enabled 1113 1
close
expect-exit 0
EOF
  [ "$(ls "$dir/in" | tr '\n' '|')" = "$name|$name.par2|$name.sha256|$name.vol0+1.par2|${name}__000|${name}__001|${name}__002|${name}__join.exe|" ] ||
    fail "the folder holds: $(ls "$dir/in" | tr '\n' ' ')" || return
  [ "$(stat -c %s "$dir/in/${name}__000")" -eq 6815744 ] || fail "the first part is not 6.5 MiB" || return
  (cd "$dir/in" && sha256sum --quiet -c "$name.sha256") >"$work/window-cut.sums" 2>&1 ||
    fail "sha256sum -c: $(cat "$work/window-cut.sums")" || return
  # The stamped joiner, driven as its user would, rebuilds the file.
  rm "$dir/in/$name"
  play window-cut-join "$dir/in/${name}__join.exe" "$dir/in" <<EOF || return
start
wait title is "$TITLE_START"
click 1000
wait title is "100% - Concatenación exitosa" 120
click 1001
expect-exit 0
EOF
  cmp -s "$dir/in/$name" "$dir/original" || fail "the joined file differs from the original"
}

# Anular during the cut of a large file, and a close asked for during one
# (No goes on, Yes stops and ends the program), leave nothing beside it.
window_cancel() {
  window_needed || return
  local dir=$work/window-cancel name=grande.iso
  mkdir -p "$dir/in"
  # Sparse: read at once, but every byte is written.
  truncate -s 4G "$dir/in/$name"
  local file
  file=$(script_text "$(winpath "$dir/in/$name")")
  play window-cancel "$window" "$dir" <<EOF || return
$WINDOW_SETUP
start "$file"
wait title is "$TITLE_WINDOW"
select 1103 6
expect 1122 is "Número de partes:"
expect-enabled 1104 1
expect-enabled 1105 0
type 1104 "4"
click 1113
wait 1112 is "Cortando \"$file\"..."
expect-enabled 1114 1
expect-enabled 1113 0
wait 1110 is "Tiempo transcurrido : 00:00:01"
screenshot cutting
click 1114
wait 1112 is "El corte ha sido anulado: no se ha conservado nada." 60
expect-enabled 1113 1
close
expect-exit 0
EOF
  [ "$(ls -A "$dir/in")" = "$name" ] || fail "after Anular the folder holds: $(ls -A "$dir/in" | tr '\n' ' ')" || return
  play window-close "$window" "$dir" <<EOF || return
$WINDOW_SETUP
start "$file"
wait title is "$TITLE_WINDOW"
click 1113
wait 1112 is "Cortando \"$file\"..."
close
expect-box "Vantorel - Advertencia" "Se está cortando un archivo. ¿Desea anular el corte y salir?\n\nNo se conservará nada de lo escrito." 7
expect 1112 is "Cortando \"$file\"..."
close
expect-box "Vantorel - Advertencia" "Se está cortando un archivo. ¿Desea anular el corte y salir?\n\nNo se conservará nada de lo escrito." 6
expect-exit 0 60
EOF
  [ "$(ls -A "$dir/in")" = "$name" ] || fail "after the close the folder holds: $(ls -A "$dir/in" | tr '\n' ' ')"
}

# A part's name taken already: the box names the file and the part, and
# nothing is written or replaced. A size of one's own that is no number
# gets its box too.
window_refused() {
  window_needed || return
  local dir=$work/window-refused name=datos.bin
  mkdir -p "$dir/in"
  head -c 3000000 /dev/urandom >"$dir/in/$name"
  printf 'keep me' >"$dir/in/${name}__001"
  local file part
  file=$(script_text "$(winpath "$dir/in/$name")")
  part=$(script_text "$(winpath "$dir/in/${name}__001")")
  play window-refused "$window" "$dir" <<EOF || return
$WINDOW_SETUP
start "$file"
wait title is "$TITLE_WINDOW"
select 1103 5
type 1104 "1.5"
click 1113
expect-box "Vantorel - Error" "La cantidad \"1.5\" no es un tamaño. Escriba un número, con coma decimal si hace falta, por ejemplo 6,5."
type 1104 "1"
click 1113
wait-box 60
screenshot refused
expect-box "Vantorel - Error" "No se ha podido cortar el archivo\n\"$file\"\n\n\"$part\" ya existe. Vantorel nunca reemplaza un archivo: bórrelo o elija otra carpeta de salida."
expect 1112 is "El corte no ha sido posible."
close
expect-exit 0
EOF
  [ "$(ls -A "$dir/in" | tr '\n' ' ')" = "$name ${name}__001 " ] ||
    fail "the folder holds: $(ls -A "$dir/in" | tr '\n' ' ')" || return
  [ "$(cat "$dir/in/${name}__001")" = 'keep me' ] || fail "the existing part changed"
}

# Recovery data beside the parts, made by par2 from the parts (one slice a
# part, two recovery slices).
# make_recovery_set DIR NAME SIZE PARTS RECOVERY
make_recovery_set() {
  local dir=$1 name=$2 size=$3 parts=$4 recovery=$5
  command -v par2 >/dev/null || { reason="par2 is not installed"; return 2; }
  make_set "$dir" "$name" "$size" sha256 --parts "$parts" || return
  local last slice
  last=$dir/parts/$(part "$name" $((parts - 1)) "$parts")
  slice=$((($(stat -c %s "$last") + 3) / 4 * 4))
  (cd "$dir/parts" && par2 create -q -q -s"$slice" -c"$recovery" "$name.par2" "$name"__[0-9]* >/dev/null) ||
    fail "par2 create failed"
}

# Part 004 deleted and part 001 damaged: the start-up names the missing
# part; the rebuild shows its progress line, finds the damaged part on the
# way and rebuilds both; the output is the original, the parts and the
# recovery files are as they were left, and no scratch file stays.
recovery_rebuilt() {
  local dir=$work/recovery-rebuilt name=rescate.bin
  make_recovery_set "$dir" "$name" 240000000 6 2 || return
  rm "$dir/parts/$(part "$name" 4 6)"
  printf 'X' | dd of="$dir/parts/$(part "$name" 1 6)" bs=1 seek=123457 conv=notrunc status=none
  local before
  before=$(cd "$dir/parts" && md5sum "$name"__[0-9]* "$name"*.par2)
  play recovery-rebuilt "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
expect 1005 has "No se puede leer un archivo de entrada.\\r\\nNo se puede leer la parte \\"$(part "$name" 4 6)\\".\\r\\nPartes que faltan o no son válidas : 1.\\r\\nBloques de recuperación presentes : 2.\\r\\n\\r\\nLas partes serán reconstruidas con los datos de recuperación.\\r\\nHaga click en el botón [Comenzar] para empezar la concatenación.\\r\\n"
expect-enabled 1000 1
screenshot missing-named
click 1000
wait 1005 has "Reconstrucción  " 60
click 1000
wait 1000 is "Continuar" 60
screenshot rebuilding
click 1000
wait title is "100% - Concatenación exitosa" 300
expect 1005 has "Reconstrucción de la parte \\"$(part "$name" 4 6)\\"...\\r\\n"
expect 1005 has "La parte \\"$(part "$name" 1 6)\\" no es válida.\\r\\nReconstrucción de la parte \\"$(part "$name" 1 6)\\"...\\r\\n"
expect 1005 has "La parte \\"$(part "$name" 1 6)\\" ha sido reconstruida.\\r\\nLa parte \\"$(part "$name" 4 6)\\" ha sido reconstruida.\\r\\n\\r\\nConcatenación de archivos...\\r\\n"
expect 1005 ends "Checksum válido (SHA-256) :\\r\\nEntrada : $digest\\r\\nSalida : $digest\\r\\n\\r\\nConcatenación exitosa.\\r\\nLos archivos de entrada no han sido borrados.\\r\\n$CLICK_EXIT"
screenshot rebuilt-joined
click 1001
expect-exit 0
EOF
  cmp -s "$dir/parts/$name" "$dir/src/$name" || fail "the output differs from the original" || return
  [ "$(cd "$dir/parts" && md5sum "$name"__[0-9]* "$name"*.par2 | grep -v " $name\$")" = "$before" ] ||
    fail "a part or a recovery file has changed" || return
  no_temporary "$dir/parts"
}

# Three parts lost, two recovery slices: the start-up says how many of each,
# and nothing can start.
recovery_too_few() {
  local dir=$work/recovery-too-few name=perdido.bin
  make_recovery_set "$dir" "$name" 3000000 6 2 || return
  rm "$dir/parts/$(part "$name" 0 6)" "$dir/parts/$(part "$name" 2 6)" "$dir/parts/$(part "$name" 5 6)"
  play recovery-too-few "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
expect 1005 ends "No se puede leer 3 archivos de entrada.\\r\\nNo se puede leer la parte \\"$(part "$name" 0 6)\\".\\r\\nNo se puede leer la parte \\"$(part "$name" 2 6)\\".\\r\\nNo se puede leer la parte \\"$(part "$name" 5 6)\\".\\r\\nPartes que faltan o no son válidas : 3.\\r\\nBloques de recuperación presentes : 2.\\r\\n\\r\\nNo hay suficientes datos de recuperación para reconstruir las partes.\\r\\nLa concatenación es imposible.\\r\\n$CLICK_CANCEL"
expect-enabled 1000 0
screenshot not-enough
click 1001
expect-exit 0
EOF
  [ ! -e "$dir/parts/$name" ] || fail "an output was created"
}

# Part 002 deleted and the only recovery slice damaged in its data: the
# start-up counts the slice on its packet's header and announces the
# rebuild; the rebuild finds the slice other than its packet says and says
# that there is not enough recovery data. Nothing is made, nothing changed.
recovery_damaged() {
  local dir=$work/recovery-damaged name=dudoso.bin
  make_recovery_set "$dir" "$name" 3000000 6 1 || return
  rm "$dir/parts/$(part "$name" 2 6)"
  printf 'X' | dd of="$dir/parts/$name.vol0+1.par2" bs=1 seek=5000 conv=notrunc status=none
  local before
  before=$(cd "$dir/parts" && md5sum "$name"__[0-9]* "$name"*.par2)
  play recovery-damaged "$dir/parts/${name}__join.exe" "$dir/parts" <<EOF || return
start
wait title is "$TITLE_START"
expect 1005 has "Bloques de recuperación presentes : 1.\\r\\n\\r\\nLas partes serán reconstruidas con los datos de recuperación.\\r\\n"
click 1000
wait-box 120
screenshot damaged-recovery-found
expect-box "Vantorel - Error" "No hay suficientes datos de recuperación para reconstruir las partes.\\nPartes que faltan o no son válidas : 1.\\nBloques de recuperación presentes : 0."
wait 1001 is "Salida" 60
click 1001
expect-exit 0
EOF
  [ ! -e "$dir/parts/$name" ] || fail "an output was created" || return
  [ "$(cd "$dir/parts" && md5sum "$name"__[0-9]* "$name"*.par2)" = "$before" ] ||
    fail "a part or a recovery file has changed" || return
  no_temporary "$dir/parts"
}

scenario recovery-rebuilt recovery_rebuilt
scenario recovery-too-few recovery_too_few
scenario recovery-damaged recovery_damaged

# A name in another script cut by the window on a Windows of another code
# page, given as a drop gives it: the window shows the name exactly, the
# parts and the joiner take it, and the joiner it stamped joins them under
# it there.
# window_script SCENARIO LOCALE CODEPAGE NAME
window_script() {
  window_needed || return
  local scenario=$1 locale=$2 page=$3 name=$4
  if ! locale -a 2>/dev/null | grep -qix "${locale%%.*}.utf8"; then
    reason="no locale $locale (scripts/setup generates it)"
    return 2
  fi
  local dir=$work/$scenario shown file
  shown=$(driver_text "$name")
  mkdir -p "$dir/in"
  head -c 15000000 /dev/urandom >"$dir/in/$name"
  cp "$dir/in/$name" "$dir/original"
  file="$(script_text "$(winpath "$dir/in")")\\\\$(script_text "$shown")"
  local prefix
  prefix=$(code_page_prefix "$page" "$locale")
  local status=0
  WINEPREFIX=$prefix LC_ALL=$locale play "$scenario" "$window" "$dir" <<EOF || status=1
$WINDOW_SETUP
expect-code-page $page
start "$file"
wait title is "$TITLE_WINDOW" 60
expect 1100 is "$file"
click 1113
wait-box 120
expect-box-has "Vantorel - Corte terminado" "Se ha cortado \"$shown\" (15.000.000 bytes) en 3 partes.\n\nEl conjunto tiene 7 archivos, " 7
expect 1112 is "Corte terminado: \"$shown\" en 3 partes."
close
expect-exit 0
EOF
  if [ $status -eq 0 ]; then
    [ -f "$dir/in/${name}__002" ] && [ -f "$dir/in/${name}__join.exe" ] ||
      fail "the folder holds: $(ls "$dir/in" | tr '\n' ' ')" || status=1
  fi
  if [ $status -eq 0 ]; then
    rm "$dir/in/$name"
    WINEPREFIX=$prefix LC_ALL=$locale play "$scenario-join" "$dir/in/${name}__join.exe" "$dir/in" <<EOF || status=1
start
wait title is "$TITLE_START" 60
expect 1005 starts "Creación de archivo de salida :\r\n\"$shown\"\r\n"
click 1000
wait title is "100% - Concatenación exitosa" 120
click 1001
expect-exit 0
EOF
  fi
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  [ $status -eq 0 ] || return 1
  cmp -s "$dir/in/$name" "$dir/original" || fail "the output differs from the original"
}

# The recovery choice: two recovery parts for a set of 4; the summary says
# what they rebuild, and par2 rebuilds two parts lost on the way.
window_recovery() {
  window_needed || return
  local dir=$work/window-recovery name=copia.bin
  mkdir -p "$dir/in"
  head -c 4000003 /dev/urandom >"$dir/in/$name"
  local file
  file=$(script_text "$(winpath "$dir/in/$name")")
  play window-recovery "$window" "$dir" <<EOF || return
$WINDOW_SETUP
start "$file"
wait title is "$TITLE_WINDOW"
select 1103 6
type 1104 "4"
select 1125 3
expect 1125 is "2 partes"
screenshot recovery-choice
click 1113
wait-box 120
screenshot recovery-summary
expect-box-has "Vantorel - Corte terminado" "- los datos de recuperación \"$name.par2\", \"$name.vol0+1.par2\" a \"$name.vol1+1.par2\" (PAR 2.0): con ellos se reconstruye cualquier grupo de 2 partes que se pierdan o lleguen dañadas.\n" 7
close
expect-exit 0
EOF
  [ "$(ls "$dir/in" | wc -l)" -eq 10 ] || fail "the folder holds: $(ls "$dir/in" | tr '\n' ' ')" || return
  command -v par2 >/dev/null || return 0
  cp "$dir/in/${name}__001" "$dir/part1"
  rm "$dir/in/${name}__001" "$dir/in/${name}__003"
  (cd "$dir/in" && par2 repair -q "$name.par2") >"$work/window-recovery.par2" 2>&1 ||
    fail "par2 repair: $(tail -3 "$work/window-recovery.par2")" || return
  cmp -s "$dir/in/${name}__001" "$dir/part1" || fail "par2 rebuilt another part 1"
}

scenario window-cut window_cut
scenario window-recovery window_recovery
scenario window-cancel window_cancel
scenario window-refused window_refused
wine_harness_lane 1
scenario window-1251-cyrillic window_script window-1251-cyrillic ru_RU.UTF-8 1251 "$cyrillic"
scenario window-932-cjk window_script window-932-cjk ja_JP.UTF-8 932 "$cjk"

echo "took $(($(date +%s) - started)) s; logs and screenshots in $artifacts"
wine_harness_end
