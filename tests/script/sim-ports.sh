#!/usr/bin/env bash
# script/sim-ports, which script/run uses to point COM1 at the simulator and
# back: what it adds, and that taking it out leaves every byte a person or
# the program wrote, the file's permissions included.
# usage: sim-ports.sh SIM_PORTS
set -uo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ini=$work/Korvex.ini link=/tmp/k.tty
marker='; [PORTS] added by script/run: COM1 is the simulator'
ours="$marker\r\n[PORTS]\r\nCOM1=$link\r\n"
failed=0

# case NAME BEFORE AFTER_ADD ADD_STATUS EDIT AFTER_REMOVE: the file's bytes
# (printf escapes) before, after add, and after EDIT (text appended while the
# program ran) and remove. BEFORE "-" is no file.
case_() {
  local name=$1 before=$2 added=$3 add_status=$4 edit=$5 removed=$6 status=0
  rm -f "$ini"
  [ "$before" = - ] || printf "$before" >"$ini"
  "$tool" add "$ini" "$link" || status=$?
  [ "$status" -eq "$add_status" ] || { echo "FAIL: $name: add exited $status"; failed=1; }
  cmp -s "$ini" <(printf "$added") || { echo "FAIL: $name: after add: $(od -c "$ini")"; failed=1; }
  printf "$edit" >>"$ini"
  chmod 640 "$ini"
  "$tool" remove "$ini" "$link" || { echo "FAIL: $name: remove exited $?"; failed=1; }
  cmp -s "$ini" <(printf "$removed") || { echo "FAIL: $name: after remove: $(od -c "$ini")"; failed=1; }
  [ "$(stat -c %a "$ini")" = 640 ] || { echo "FAIL: $name: remove changed the permissions"; failed=1; }
}

case_ "no file: added and taken out" - "$ours" 0 "" ""
case_ "LF lines, no end: a line end first; what the program wrote after ours stays" \
  "[COMSETTINGS]\nPORT=2" "[COMSETTINGS]\nPORT=2\r\n$ours" 0 "[GENERAL]\r\nENABLESTRINGS=1\r\n" \
  "[COMSETTINGS]\nPORT=2\r\n[GENERAL]\r\nENABLESTRINGS=1\r\n"
case_ "a [PORTS] of one's own is never touched" "[ports]\nCOM1=/dev/ttyUSB0\n" \
  "[ports]\nCOM1=/dev/ttyUSB0\n" 3 "" "[ports]\nCOM1=/dev/ttyUSB0\n"
case_ "an entry added by hand to our section stays, with its section" - "$ours" 0 "COM2=/dev/ttyUSB1\r\n" \
  "[PORTS]\r\nCOM2=/dev/ttyUSB1\r\n"
case_ "a second add adds nothing" "$ours" "$ours" 0 "" ""
# COM1 changed by hand to a real device: only the marker goes.
rm -f "$ini"
"$tool" add "$ini" "$link"
sed -i "s|COM1=$link|COM1=/dev/ttyUSB0|" "$ini"
"$tool" remove "$ini" "$link"
cmp -s "$ini" <(printf '[PORTS]\r\nCOM1=/dev/ttyUSB0\r\n') || { echo "FAIL: COM1 changed by hand: $(od -c "$ini")"; failed=1; }

[ "$failed" -eq 0 ] && echo "sim-ports: added only where no [PORTS] is, taken out leaving every other byte"
exit "$failed"
