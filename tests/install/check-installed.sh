#!/usr/bin/env bash
# Installs the build into a scratch prefix, makes the program's directory
# read-only as it is for a user of a real install, and checks as an ordinary
# user that the installed program starts, keeps its settings in the user's
# configuration directory and finds its pictures and help pages.
#   check-installed.sh BUILD_DIR TST_INSTALLED
set -euo pipefail
build=$1 probe=$2
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

program_dir=$prefix/lib/korvexconfig
[ "$(readlink -f "$prefix/bin/korvexconfig")" = "$(readlink -f "$program_dir/KORVEXConfig")" ] \
  || { echo "bin/korvexconfig does not lead to the program"; exit 1; }
cp "$probe" "$program_dir/"
chmod -R a-w "$program_dir"

home=$tmp/home
mkdir -p "$home/run"
chmod 700 "$home/run"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  # root may write anywhere; run as nobody to see what a user sees.
  chown -R nobody "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=offscreen

"${as_user[@]}" "$program_dir/$(basename "$probe")"

# Print Screen's module lies beside the program that loads it.
[ -f "$program_dir/korvexprint.so" ] || { echo "no printing module beside the program"; exit 1; }

# The command-line front end is on the PATH beside it, with its manual page.
"${as_user[@]}" "$prefix/bin/korvexctl" --version | grep -q '^korvexctl ' \
  || { echo "bin/korvexctl does not run"; exit 1; }
[ -s "$prefix/share/man/man1/korvexctl.1.gz" ] || { echo "no manual page for korvexctl"; exit 1; }

# The installed command itself starts and keeps running until asked to stop.
"${as_user[@]}" "$prefix/bin/korvexconfig" &
pid=$!
for _ in $(seq 20); do sleep 0.1; kill -0 "$pid" 2>/dev/null || break; done
kill -0 "$pid" 2>/dev/null || { wait "$pid"; echo "korvexconfig exited at start ($?)"; exit 1; }
kill "$pid"
wait "$pid" 2>/dev/null || true
[ ! -e "$program_dir/Korvex.ini" ] || { echo "settings written into the program's directory"; exit 1; }

# Whoever runs it, even one who could write there (root), an installed program
# writes nothing into its directory: the package manager could not remove it.
chmod -R u+w "$program_dir"
if [ -w "$program_dir" ]; then
  HOME=$tmp/owner XDG_CONFIG_HOME=$tmp/owner/.config "$program_dir/$(basename "$probe")"
  [ ! -e "$program_dir/Korvex.ini" ] || { echo "settings written into a writable install"; exit 1; }
fi
echo "installed program: ok"
