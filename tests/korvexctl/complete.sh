#!/usr/bin/env bash
# The bash completion of korvexctl: what a Tab offers after each kind of word.
# complete.sh COMPLETION KORVEXCTL
# Not -e or -u: completion functions run in an interactive shell, which has neither.
set -o pipefail
completion=$(realpath "$1")
bin=$(dirname "$(realpath "$2")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '[PORTS]\nCOM1=/dev/null\n' >k.ini
touch rows.cfg notes.txt
PATH=$bin:$PATH
offers() { # offers WORD... -- what a Tab offers for the last word, sorted, on one line
  COMP_WORDS=(korvexctl "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _korvexctl
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
# shellcheck source=/dev/null
source "$completion"
failed=0
expect() { # expect WANTED WORD...
  local wanted=$1 got
  shift
  got=$(offers "$@")
  if [ "$got" != "$wanted " ]; then
    echo "korvexctl $*<Tab>: offered \"$got\", wanted \"$wanted \"" >&2
    failed=1
  fi
}
expect "write" wr
expect "verify version" ver
expect "check" ch
expect "--partial" write --part
expect "--probe" list --pr
# Each command's options are its help's: the station's own, and no --port.
expect "--settings --settle" station --sett
expect "" station --po
expect "--trace" read --tr
expect "--watch" station --wa
expect "--wait --watch" --wa
expect "rows.cfg" write -p COM1 ""
# The ports from list, which opens none: the settings' COM1, all, and
# whatever serial devices this machine has.
ports=" $(offers --settings k.ini read -p "")"
if [[ $ports != *" COM1 "* || $ports != *" all "* ]]; then
  echo "korvexctl --settings k.ini read -p <Tab>: offered \"$ports\", no COM1 and all" >&2
  failed=1
fi
expect "even" --parity e
exit $failed
