#!/usr/bin/env bash
# Validates the desktop entry and the AppStream metadata with the freedesktop.org
# tools, and checks that the files agree with each other and with the program:
# a renamed icon, id or executable would otherwise break only after install.
#
# usage: validate-desktop.sh DESKTOP_DIR APP_ID [EXECUTABLE_NAME]
# Exits 77 (skipped) when a validator is not installed; script/bootstrap
# installs both.
set -uo pipefail

dir=$1
id=$2
executable=${3:-}
desktop=$dir/$id.desktop
metainfo=$dir/$id.metainfo.xml

for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (script/bootstrap installs it)"
    exit 77
  fi
done

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# desktop-file-validate exits non-zero only for errors; warnings count too.
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate rejected $desktop"
if grep -E ': (error|warning):' <<<"$report"; then
  fail "desktop-file-validate found problems in $desktop"
fi

appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejected $metainfo"

entry() { sed -n "s/^$1=//p" "$desktop"; }
tag() { sed -n "s:.*<$1[^>]*>\\(.*\\)</$1>.*:\\1:p" "$metainfo" | head -n 1; }

[ "$(tag id)" = "$id" ] || fail "metainfo id '$(tag id)' is not '$id'"
[ "$(tag launchable)" = "$id.desktop" ] || fail "metainfo launchable '$(tag launchable)' is not '$id.desktop'"
[ "$(entry Icon)" = "$id" ] || fail "desktop Icon '$(entry Icon)' is not '$id'"
[ -f "$dir/$id.svg" ] || fail "scalable icon $dir/$id.svg is missing"
for size in 16 32 48 64 128 256; do
  [ -f "$dir/icons/${size}x${size}/$id.png" ] || fail "icon $dir/icons/${size}x${size}/$id.png is missing"
done
if [ -n "$executable" ]; then
  [ "$(entry Exec)" = "$executable %f" ] || fail "desktop Exec '$(entry Exec)' does not start the program '$executable' with the file"
  [ "$(tag binary)" = "$executable" ] || fail "metainfo binary '$(tag binary)' is not the program '$executable'"
fi

# The .cfg type: declared once, named by the entry and the metainfo, and
# recognised by the very line the program writes first.
mime=$dir/$id.mime.xml
type=$(sed -n 's:.*<mime-type type="\([^"]*\)".*:\1:p' "$mime")
[ -n "$type" ] || fail "$mime declares no type"
[ "$(entry MimeType)" = "$type;" ] || fail "desktop MimeType '$(entry MimeType)' is not '$type;'"
[ "$(tag mediatype)" = "$type" ] || fail "metainfo mediatype '$(tag mediatype)' is not '$type'"
magic=$(sed -n 's:.*<match type="string" offset="0" value="\([^"]*\)"/>.*:\1:p' "$mime")
header=$(sed -n 's:.*CfgHeaderLine = QByteArrayLiteral("\([^"]*\)");.*:\1:p' "$dir/../src/files/CfgFormat.h")
if [ -z "$header" ] || [ "$magic" != "$header" ]; then
  fail "MIME magic '$magic' is not the first line .cfg files get, '$header'"
fi
if grep -q '<glob' "$mime"; then
  fail "$mime has a glob: the only *.cfg glob would claim every .cfg file"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) found"
  exit 1
fi
echo "desktop entry and metadata are valid and consistent"
