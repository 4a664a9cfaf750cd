#!/usr/bin/env bash
# check-man-page.sh PROGRAM PAGE: the manual page is clean roff (no warning
# of groff -ww) and says what the program's help says: every option of the
# help, every exit status with its meaning, and the program's version.
set -uo pipefail
program=$1
page=$2
failed=0
fail() {
  echo "FAIL $(basename "$page"): $*" >&2
  failed=1
}

warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || fail "groff warns: $warnings"

# The page as one long line per paragraph, without hyphenation or bold.
# Searched as here-strings: grep -q leaves at its first match, and a writer
# into a pipe would then die of SIGPIPE, which pipefail takes for a failure.
text=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -rLL=2000n -rHY=0 -P-cbou "$page" 2>/dev/null |
  sed 's/\xe2\x80\x90/-/g; s/[[:space:]]\+/ /g')
help=$("$program" --help) || fail "$program --help failed"

# The options: the words beginning with a dash in the help's option column.
options=$(printf '%s\n' "$help" | grep -E '^  -' | grep -oE '(^| )--?[a-z][a-z-]*' | tr -d ' ' |
  sort -u)
[ -n "$options" ] || fail "no options found in the help"
for option in $options; do
  grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$text" ||
    fail "the help's option $option is not in the page"
done

# The exit statuses: "  N    meaning" after "Exit status:".
statuses=$(printf '%s\n' "$help" | sed -n '/^Exit status:$/,$p' | grep -E '^  [0-9]+ ')
[ -n "$statuses" ] || fail "no exit statuses found in the help"
while read -r status meaning; do
  grep -qiF -- " $status $meaning" <<<"$text" ||
    fail "exit status $status ($meaning) is not in the page as the help says it"
done <<<"$statuses"

version=$("$program" --version | awk '{print $NF}')
grep -q "^\.TH .*\"Vantorel $version\"" "$page" || fail "the page does not name version $version"
exit $failed
