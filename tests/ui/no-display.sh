#!/usr/bin/env bash
# The window program started where it can reach no display: one line on
# standard error that names the display and how to get one, and status 2,
# also for a mistyped option (Qt alone aborts, status 134, with lines about
# plugins). What Qt says while a start succeeds is still printed.
#
# usage: no-display.sh PROGRAM
set -uo pipefail
program=$1
failed=0

# run WANTED_STATUS PATTERN [VAR=VALUE ...] -- ARGS: the whole of standard
# error, lines joined by |, must match PATTERN (an extended regex).
run() {
  local wanted=$1 pattern=$2 status=0 err
  shift 2
  local env=()
  while [ "$1" != -- ]; do
    env+=("$1")
    shift
  done
  shift
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${env[@]}" "$program" "$@" 2>&1 >/dev/null) \
    || status=$?
  err=$(printf '%s' "$err" | tr '\n' '|')
  if [ "$status" -ne "$wanted" ] || ! grep -qE "$pattern" <<<"$err"; then
    echo "FAIL: ${env[*]} $(basename "$program") $*: status $status, standard error \"$err\";" \
      "wanted status $wanted, standard error matching $pattern"
    failed=1
  fi
}

hint=' Run it in a desktop session, or on a virtual display: Xvfb :1 & DISPLAY=:1 [^|]*KORVEXConfig$'
run 2 "^KORVEXConfig: cannot open a window \(DISPLAY is not set\): [^|]+\.$hint" -- --bogus
# A display no server answers at (nobody runs one as :4242).
run 2 "^KORVEXConfig: cannot open a window \(DISPLAY=:4242\): could not connect to display :4242\.$hint" \
  DISPLAY=:4242 --
run 0 '^$' -- --help
# The first platform missing, the next one starting: Qt's warning comes out,
# then the program's own answer.
run 2 '^qt\.qpa\.plugin: Could not find the Qt platform plugin "nosuch".*\|KORVEXConfig: unknown option --bogus \(see --help\)$' \
  'QT_QPA_PLATFORM=nosuch;offscreen' -- --bogus
[ "$failed" -eq 0 ] && echo "without a display: one line and status 2"
exit "$failed"
