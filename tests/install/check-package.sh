#!/usr/bin/env bash
# The Debian package as a user meets it, made by cpack from BUILD_DIR (or
# given as a FILE.deb in its place).
#   check-package.sh lintian BUILD_DIR
#     dpkg-shlibdeps warns of nothing, so the package depends on no library
#     it never calls; lintian finds no error, and no warning but those
#     listed below; the maintainer field is the metainfo's developer and
#     contact.
#   check-package.sh install BUILD_DIR
#     as root, on a machine without korvexconfig: apt-get installs the
#     package; the three commands answer --help/--version and have manual
#     pages; the window opens a .cfg named on its command line (read back
#     through the accessibility bus under Xvfb); a saved .cfg has our MIME
#     type and another program's .cfg does not; purging leaves no file
#     behind.
# Exits 77 (skipped) when a tool is missing (script/test's bootstrap installs
# them) or, for install, when not root or korvexconfig is already installed.
set -euo pipefail
mode=$1 build=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

skip() {
  echo "SKIP: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (script/test installs it)"
  done
}

tmp=$(mktemp -d)
cleanup() { rm -rf "$tmp"; }
trap cleanup EXIT
chmod 755 "$tmp"

if [[ $build == *.deb ]]; then
  deb=$build # made already (script/release)
else
  need cpack dpkg-deb dpkg-shlibdeps
  cpack --config "$build/CPackConfig.cmake" -B "$tmp/package" >"$tmp/cpack.log" 2>&1 \
    || { cat "$tmp/cpack.log"; fail "cpack failed"; }
  deb=$(echo "$tmp"/package/korvexconfig_*.deb)
fi
[ -f "$deb" ] || fail "no package $deb"

if [ "$mode" = lintian ]; then
  need lintian
  # dpkg-shlibdeps warns of libraries linked but never called (each becomes
  # a dependency the package does not need) and of files it cannot place.
  if grep 'dpkg-shlibdeps: warning' "$tmp/cpack.log"; then
    fail "dpkg-shlibdeps warned while the package was made"
  fi
  # The programs need no search path of their own: one would let a library
  # put beside them be loaded before the system's.
  dpkg-deb -x "$deb" "$tmp/unpacked"
  # (readelf fails on the files that are not ELF: its status is no answer.)
  paths=$(find "$tmp/unpacked" -type f -exec readelf -d {} + 2>/dev/null | grep -E 'R(UN)?PATH' || true)
  [ -z "$paths" ] || fail "a program in the package carries a library search path: $paths"
  depends=$(dpkg-deb -f "$deb" Depends)
  if grep -E 'libopengl|libglx|libgl1' <<<"$depends"; then
    fail "the package depends on OpenGL, which nothing in it calls: $depends"
  fi
  # initial-upload-closes-no-bugs: a first upload to Debian closes its
  # "intent to package" bug; this package is not uploaded to Debian.
  allowed='^W: korvexconfig: initial-upload-closes-no-bugs '
  # Its exit status is 2 for errors found, 1 when it could not check.
  status=0
  lintian "$deb" >"$tmp/lintian" 2>&1 || status=$?
  cat "$tmp/lintian"
  [ "$status" -ne 1 ] || fail "lintian could not check the package"
  if grep -E '^[EW]: ' "$tmp/lintian" | grep -vE "$allowed"; then
    fail "lintian found the errors or warnings above"
  fi
  metainfo=$source_dir/desktop/org.korvexconfig.KORVEXConfig.metainfo.xml
  tag() { sed -n "s:.*<$1>\\(.*\\)</$1>.*:\\1:p" "$metainfo"; }
  maintainer="$(tag developer_name) <$(tag update_contact)>"
  [ "$(dpkg-deb -f "$deb" Maintainer)" = "$maintainer" ] \
    || fail "Maintainer '$(dpkg-deb -f "$deb" Maintainer)' is not the metainfo's '$maintainer'"
  echo "package check: lintian clean but for the warnings allowed above"
  exit 0
fi

[ "$mode" = install ] || fail "unknown mode $mode"
[ "$(id -u)" -eq 0 ] || skip "installing the package needs root"
need apt-get Xvfb dbus-run-session dbus-send xdg-mime gio mimetype /usr/bin/python3
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"
[ -e /usr/share/dbus-1/services/org.a11y.Bus.service ] || skip "at-spi2-core is not installed"
if dpkg-query -W -f='${Status}' korvexconfig 2>/dev/null | grep -q 'install ok installed'; then
  skip "korvexconfig is installed already; this check would replace and then remove it"
fi

apt=(apt-get -y -qq -o DPkg::Lock::Timeout=300)
purged=0
cleanup() {
  [ "$purged" -eq 1 ] || DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge korvexconfig >/dev/null 2>&1 || true
  [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$tmp"
}
DEBIAN_FRONTEND=noninteractive "${apt[@]}" install "$deb" >"$tmp/apt.log" 2>&1 \
  || { cat "$tmp/apt.log"; fail "apt-get could not install the package"; }

version=$(sed -n 's/^set(KORVEX_VERSION \(.*\))$/\1/p' "$source_dir/CMakeLists.txt")
[ "$(korvexconfig --version)" = "KORVEXConfig $version" ] || fail "korvexconfig --version: $(korvexconfig --version)"
korvexconfig --help | grep -q '^Usage: korvexconfig \[FILE.cfg\]' || fail "korvexconfig --help"
korvexctl --version | grep -q "^korvexctl $version" || fail "korvexctl --version: $(korvexctl --version)"
korvex-sim --help | grep -q '^Usage: korvex-sim' || fail "korvex-sim --help"
for page in korvexconfig korvexctl korvex-sim; do
  [ -s "/usr/share/man/man1/$page.1.gz" ] || fail "no manual page for $page"
done
# The completion where bash looks for it, offering the commands.
completion=/usr/share/bash-completion/completions/korvexctl
offered=$(bash -c "source $completion; COMP_WORDS=(korvexctl wr); COMP_CWORD=1; _korvexctl; echo \${COMPREPLY[*]}")
[ "$offered" = write ] || fail "the installed completion offers \"$offered\" for korvexctl wr"

# A file as the program saves it (the writer's fixture), and another
# program's .cfg.
saved=$tmp/rows.cfg other=$tmp/other.cfg
cp "$source_dir/tests/files/data/expected.cfg" "$saved"
printf '# another program\n[server]\nport=8080\n' >"$other"
for backend in GNOME generic; do
  desktop=$backend
  [ "$backend" = generic ] && desktop=X-Generic
  type=$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype "$saved")
  [ "$type" = application/x-korvex-cfg ] || fail "xdg-mime ($backend) calls a saved file $type"
  type=$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype "$other")
  [ "$type" != application/x-korvex-cfg ] || fail "xdg-mime ($backend) calls another program's .cfg ours"
done
[ "$(xdg-mime query default application/x-korvex-cfg)" = org.korvexconfig.KORVEXConfig.desktop ] \
  || fail "the menu entry is not the default for application/x-korvex-cfg"

# The window opens the file named on its command line.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_RUNTIME_DIR=$tmp/home/run
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
[ -s "$tmp/display" ] || fail "Xvfb did not start"
DISPLAY=":$(cat "$tmp/display")"
export DISPLAY
# Qt looks for the accessibility bus once, at start: start it first.
cat >"$tmp/window.sh" <<'WINDOW'
set -euo pipefail
dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 korvexconfig "$1" &
window=$!
status=0
"$2" 30 || status=$?
kill "$window"
wait "$window" 2>/dev/null || true
exit "$status"
WINDOW
(cd "$tmp" && dbus-run-session -- bash "$tmp/window.sh" rows.cfg "$source_dir/tests/install/read-window.py") \
  >"$tmp/window" 2>"$tmp/window.err" || { cat "$tmp/window.err"; fail "no KORVEXConfig window named a file"; }
first=$(awk -F'\t' 'NR == 4 { print $2 "|" $3 }' "$saved")
# (The accessibility services print their own lines there too.)
printf 'CONFIG FILE: rows.cfg\nrow 1: %s\n' "$first" | diff - <(grep -E '^(CONFIG FILE|row 1): ' "$tmp/window") \
  || fail "the window did not show the file named on its command line"
kill "$xvfb"
xvfb=

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')
DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge korvexconfig >"$tmp/apt.log" 2>&1 \
  || { cat "$tmp/apt.log"; fail "apt-get could not remove the package"; }
purged=1
for file in $files /usr/share/mime/application/x-korvex-cfg.xml; do
  if [ -e "$file" ] || [ -L "$file" ]; then fail "$file is left after purging"; fi
done
[ ! -e /usr/lib/korvexconfig ] || fail "/usr/lib/korvexconfig is left after purging"
[ "$(xdg-mime query filetype "$saved")" != application/x-korvex-cfg ] \
  || fail "the MIME type outlives the package"
echo "package check: installed, opened a .cfg by argument, typed by MIME, purged without a trace"
