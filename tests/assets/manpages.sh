#!/usr/bin/env bash
# Each manual page against its program: the options its OPTIONS section
# lists are exactly those the program's --help lists (and, for a program
# with commands, each command's help), both ways; groff formats it without
# a warning; and no line break splits one of the programs' names.
#
# usage: manpages.sh PAGE PROGRAM [PAGE PROGRAM ...]
# Exits 77 (skipped) without groff.
set -uo pipefail
command -v groff >/dev/null || { echo "SKIP: groff is not installed"; exit 77; }

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

# The paragraph tags of the OPTIONS section (.TP, then the tag line), with
# its subsections.
page_options() {
  awk '/^\.SH/ { options = ($0 ~ /^\.SH +"?OPTIONS"?$/); next }
       options && previous ~ /^\.TP/ { print }
       { previous = $0 }' "$1" \
    | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' \
    | grep -oE '(^|[ "])--?[A-Za-z][A-Za-z0-9-]*' | tr -d ' "' | sort -u
}

# The option lines of a help text: indented, starting with a dash, the
# option's names and value before the gap that opens its description.
help_options() {
  grep -E '^ {2,4}-' | sed -E 's/^ +//; s/ {2,}.*//' \
    | grep -oE '(^|[ ,])--?[A-Za-z][A-Za-z0-9-]*' | tr -d ' ,' | sort -u
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --help, and each command's own help where the program has commands
# (listed under "Commands:"; "help COMMAND" shows one), into $work/help.
all_help() {
  local program=$1 command
  "$program" --help >"$work/help" || fail "$program --help exited with status $?"
  for command in $(awk '/^Commands:/ { in_list = 1; next }
                         /^[^ ]/ { in_list = 0 }
                         in_list && /^  [a-z]/ && $1 != "help" { print $1 }' "$work/help"); do
    "$program" help "$command" >>"$work/help" || fail "$program help $command exited with status $?"
  done
}

while [ $# -ge 2 ]; do
  page=$1 program=$2
  shift 2
  name=$(basename "$page")
  page_list=$(page_options "$page")
  all_help "$program"
  help_list=$(help_options <"$work/help")
  [ -n "$help_list" ] || fail "$name: no options found in $(basename "$program") --help"
  missing=$(comm -13 <(echo "$page_list") <(echo "$help_list"))
  extra=$(comm -23 <(echo "$page_list") <(echo "$help_list"))
  [ -z "$missing" ] || fail "$name lacks what $(basename "$program") --help lists:" $missing
  [ -z "$extra" ] || fail "$name lists what $(basename "$program") --help does not:" $extra

  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warns about $name: $warnings"
  # A name broken at a line end, at the widths terminals have.
  for width in $(seq 60 2 132); do
    split=$(groff -man -Tutf8 -rLL=${width}n "$page" 2>/dev/null | awk '
      split_word != "" { word = tolower(split_word $1); if (word ~ /korvex/) print split_word "|" $1 }
      { split_word = ""; if ($NF ~ /\xe2\x80\x90$/) { split_word = $NF; sub(/\xe2\x80\x90$/, "", split_word) } }')
    [ -z "$split" ] || fail "$name at $width columns splits a name across lines:" $split
  done
done
[ $# -eq 0 ] || fail "usage: manpages.sh PAGE PROGRAM [PAGE PROGRAM ...]"
[ "$failed" -eq 0 ] && echo "manual pages: options as in --help, no groff warning, no name split"
exit "$failed"
