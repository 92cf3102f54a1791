# The checks of the Windows packages under Wine that script/test-windows and
# script/release share; sourced by both, from the project's root. A check
# that finds a fault says so through fail(), and the script goes on, so that
# one run names every fault; $failed is then 1.
# Needs xdotool, openbox, unzip, Wine and MinGW-w64's objdump (the scripts'
# bootstrap installs them).

failed=0
fail() {
  echo "FAILED: $*" >&2
  failed=1
}

# Programs in a Wine prefix name Linux paths through drive Z:.
winpath() { echo "Z:$1" | tr / '\\'; }

# What the scripts started, ended on exit (wine_cleanup).
started=()
wine_cleanup() {
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
}

# An Xvfb display of its own with a window manager (xdotool needs one for
# keys to reach a window, and to move the pointer); sets DISPLAY. $1: a
# folder for the display's number.
start_display() {
  : >"$1/display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$1/display" 2>/dev/null &
  started+=($!)
  local _
  for _ in $(seq 100); do
    [ -s "$1/display" ] && break
    sleep 0.1
  done
  export DISPLAY=:$(head -1 "$1/display")
  openbox >/dev/null 2>&1 &
  started+=($!)
}

# A Wine prefix made afresh in $1, with none of Windows' fonts (which Wine
# then takes from the host); sets WINEPREFIX.
new_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all
  local start=$SECONDS
  wineboot -i >/dev/null 2>&1
  wineserver -w
  echo "made in $((SECONDS - start)) s"
}

# Every DLL that the programs and plugins in the folder $1 (the unpacked zip)
# import is in that folder or part of Windows (a DLL Wine has in system32).
check_zip_dlls() {
  local programs=$1 file dll known
  # The names there are, lower-cased, read once: a grep -q that stops early
  # would kill an ls mid-listing, which pipefail would take for "not there".
  known=$( (ls "$programs"; ls "$WINEPREFIX/drive_c/windows/system32") | tr '[:upper:]' '[:lower:]')
  while read -r file; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
      # api-ms-win-* names are API sets, which Windows itself resolves.
      [[ ${dll,,} == api-ms-win-* ]] && continue
      if ! grep -qxF "${dll,,}" <<<"$known"; then
        fail "${file#"$programs"/} needs $dll, which is neither in the zip nor part of Windows"
      fi
    done
  done < <(find "$programs" -name '*.exe' -o -name '*.dll')
}

# A silent install of the setup program $1 and a silent uninstall, twice,
# with what each leaves: the program, the Start-menu entry, Apps & features,
# the user's PATH (also one too long to rewrite), "Open with" for .cfg files
# (and another program's default for them, none and then one, left as it
# was), a .cfg file opened as Explorer opens it, and the user's settings in
# AppData, which stay. $2: a folder for the files it needs. Needs DISPLAY.
check_installer() {
  local setup=$1 work=$2 before other= out _
  # From here Wine's own server comes and goes with the programs, so that
  # `wineserver -w` waits for the uninstaller, which finishes from a copy of
  # itself after the one started has returned.
  wineserver -k || true
  path_value() { wine reg query 'HKCU\Environment' /v Path 2>/dev/null | tr -d '\r' | sed -n 's/^ *Path *REG_[A-Z_]* *//p'; }
  # A key's default value; nothing when it has none ("(value not set)").
  reg_default() {
    wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p' | grep -vxF '(value not set)'
  }
  local installed="$WINEPREFIX/drive_c/Program Files/KORVEXConfig"
  local menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/KORVEXConfig.lnk"
  local key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVEXConfig'
  local settings="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Local/KORVEXConfig/Korvex.ini"
  local classes='HKLM\Software\Classes'
  mkdir -p "$work/open"
  printf '01\tF1\tAB\r\n' >"$work/open/rows.cfg"
  for before in 'C:\Tools;%USERPROFILE%\bin' "$(printf 'C:\\Long%04d;' $(seq 1 100))C:\\End"; do
    wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$before" /f >/dev/null 2>&1
    wine "$setup" /S
    wineserver -w
    [ -f "$installed/KORVEXConfig.exe" ] && [ -f "$installed/platforms/qwindows.dll" ] || fail "installed: the program"
    [ -f "$installed/INSTALLED" ] || fail "installed: the marker that sends settings to AppData"
    [ -f "$menu" ] || fail "installed: the Start-menu entry"
    grep -q 'Uninstall.exe' <<<"$(wine reg query "$key" /v UninstallString 2>/dev/null)" || fail "installed: Apps & features"
    out=$(wine "$installed/korvexctl.exe" --version) || fail "installed korvexctl.exe --version: $out"
    # The installed program keeps its settings in the user's AppData, whoever
    # could write beside it: a bad value there is what it reports.
    mkdir -p "$(dirname "$settings")"
    printf '[COMSETTINGS]\r\nBAUD=96oo\r\n' >"$settings"
    out=$(wine "$installed/korvexctl.exe" version -p COM1 2>&1) && fail "installed: settings not read"
    grep -qi 'C:\\users\\[^\\]*\\AppData\\Local\\KORVEXConfig\\Korvex.ini: Error setting up comm port' <<<"$out" ||
      fail "installed: settings from $out"
    # "Open with" for .cfg files, not their default; opened as Explorer opens
    # one through it (the program keeps the folder of a file it opened).
    grep -qF '"C:\Program Files\KORVEXConfig\KORVEXConfig.exe" "%1"' \
      <<<"$(reg_default "$classes\Applications\KORVEXConfig.exe\shell\open\command")" || fail "installed: Open with"
    wine reg query "$classes\Applications\KORVEXConfig.exe\SupportedTypes" /v .cfg >/dev/null 2>&1 &&
      wine reg query "$classes\.cfg\OpenWithProgids" /v KORVEXConfig.cfg >/dev/null 2>&1 ||
      fail "installed: .cfg files do not list the program"
    [ "$(reg_default "$classes\.cfg")" = "$other" ] || fail "installed: the default for .cfg files changed"
    printf '[COMSETTINGS]\r\nPORT=1\r\nBAUD=9600\r\nPARITY=N\r\n' >"$settings"
    # (Without the file type, start would wait on its error box for ever.)
    timeout 60 wine start /ProgIDOpen KORVEXConfig.cfg "$(winpath "$work/open/rows.cfg")" ||
      fail "installed: no program opens KORVEXConfig.cfg files"
    for _ in $(seq 120); do
      grep -q 'LASTDIR=.*open' "$settings" && break
      sleep 0.5
    done
    grep -q 'LASTDIR=.*open' "$settings" || fail "installed: a .cfg file opened with the program was not opened"
    wineserver -k
    if [ ${#before} -lt 1000 ]; then
      [ "$(path_value)" = "$before;C:\\Program Files\\KORVEXConfig" ] || fail "installed: PATH is $(path_value)"
    else
      [ "$(path_value)" = "$before" ] || fail "installed: a PATH too long to rewrite safely was changed"
    fi
    wine "$installed/Uninstall.exe" /S
    wineserver -w
    [ ! -e "$installed" ] || fail "uninstalled: left $(find "$installed" | head -5)"
    [ ! -e "$menu" ] || fail "uninstalled: the Start-menu entry is still there"
    ! wine reg query "$key" >/dev/null 2>&1 || fail "uninstalled: still in Apps & features"
    [ "$(path_value)" = "$before" ] || fail "uninstalled: PATH is $(path_value), was $before"
    ! wine reg query "$classes\Applications\KORVEXConfig.exe" >/dev/null 2>&1 &&
      ! wine reg query "$classes\KORVEXConfig.cfg" >/dev/null 2>&1 &&
      ! wine reg query "$classes\.cfg\OpenWithProgids" >/dev/null 2>&1 || fail "uninstalled: Open with is still there"
    if [ -z "$other" ]; then
      ! wine reg query "$classes\.cfg" >/dev/null 2>&1 || fail "uninstalled: the .cfg key it made is still there"
    else
      [ "$(reg_default "$classes\.cfg")" = "$other" ] || fail "uninstalled: the default for .cfg files is gone"
    fi
    [ -f "$settings" ] || fail "uninstalled: the user's settings went too"
    # Another program's default for .cfg files, which the installer must leave.
    other=Other.cfg
    wine reg add "$classes\.cfg" /ve /d "$other" /f >/dev/null 2>&1
  done
  echo "installed, checked and uninstalled, with a short PATH and with one too long to rewrite"
}
