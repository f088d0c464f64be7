#!/usr/bin/env bash
# The Windows archive as a driver or an author meets it: unpacked into a
# folder with spaces and accented letters, both programs run under Wine in a
# virtual X display and write what the Linux programs of the Linux archive
# write; the licence is text with CR LF; every page's links lead to files of
# the archive.
#
#   windows_zip_test.sh ZIP TARBALL
#
# The Wine prefix is $WINEPREFIX when set (CI passes the one of the Windows
# tests), else one made in a temporary folder. Exits 77 (skipped) without
# Wine or xvfb-run, except in CI.
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 ZIP TARBALL" >&2
  exit 2
fi
zip=$(realpath "$1")
tarball=$(realpath "$2")
skip() {
  if [ "${CI:-}" = true ]; then echo "FAILED: $* (CI must run this test)"; exit 1; fi
  echo "skipped: $*"
  exit 77
}
for program in wine wineboot wineserver xvfb-run unzip; do
  command -v "$program" > /dev/null || skip "$program is not installed"
done

if [ -z "${FERROVELLO_WINE_DISPLAY:-}" ]; then
  export FERROVELLO_WINE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/ferrovello-zip-XXXXXX")
export WINEPREFIX=${WINEPREFIX:-$work/wine-prefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX"
  wineboot -i > /dev/null 2>&1
fi
wineserver -p > /dev/null 2>&1
trap 'wineserver -k > /dev/null 2>&1; rm -rf "$work"' EXIT

passed=0
failed=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

# --- unpacked where a Windows user might put it ---------------------------------
folder="$work/Giochi di guida/Località à è ì ò ù"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
top=$(basename "$zip" .zip)
version=${top#ferrovello-}
version=${version%-windows-x86_64}
app="$folder/$top"
for name in Ferrovello.exe scenario-tool.exe LICENSE.txt README.html authoring.html script-format.html; do
  [ -f "$app/$name" ] || fail "$name is not in the archive"
done
if [ "$(grep -c $'\r$' "$app/LICENSE.txt")" = "$(wc -l < "$app/LICENSE.txt")" ]; then
  pass "LICENSE.txt: every line ends with CR LF"
else
  fail "LICENSE.txt has lines without CR LF"
fi
# Every link to a file leads to one of the archive, every anchor to a
# heading of its page.
dead=$(cd "$app" && /usr/bin/python3 -c '
import glob, os, re
pages = {name: open(name, encoding="utf-8").read() for name in glob.glob("*.html")}
for name, text in sorted(pages.items()):
    for target in re.findall(r"(?:href|src)=\"([^\"]*)\"", text):
        path, _, anchor = target.partition("#")
        if ":" in target:
            continue  # a page on the web
        if (path and not os.path.exists(path)) or (anchor and "id=\"%s\"" % anchor not in pages.get(path or name, "")):
            print(" %s:%s" % (name, target), end="")
')
[ -z "$dead" ] && pass "every link of the pages leads to a file of the archive" || fail "dead links:$dead"

# --- what the Linux programs write: the reference ------------------------------------
mkdir -p "$work/linux"
tar -xzf "$tarball" -C "$work/linux"
linux=$work/linux/$(basename "$tarball" .tar.gz)
mkdir -p "$work/reference"
cp "$linux/share/ferrovello/ferrovello" "$work/reference/"
(cd / && "$work/reference/ferrovello" 2> /dev/null) || fail "the Linux installer of the archive"
rm "$work/reference/ferrovello"

# The scenario's files in folder $1 (and no script left) are those of $2.
same_folder() {  # $1 folder, $2 reference, $3 what
  local ok=1 name
  [ "$(cd "$1" && ls -d Ferrovello_* 2> /dev/null)" = "$(cd "$2" && ls -d Ferrovello_*)" ] || ok=0
  for name in $(ls "$2"); do cmp -s "$1/$name" "$2/$name" || ok=0; done
  if [ "$ok" = 1 ]; then pass "$3"; else fail "$3: $(ls "$1" | tr '\n' ' ')"; fi
}

# --- Ferrovello.exe, copied into the simulator's folder, as its docs say ---------
simulator="$work/Simulatore è/Scenari"
mkdir -p "$simulator" "$work/cwd"
cp "$app/Ferrovello.exe" "$simulator/"
(cd "$work/cwd" && wine "$simulator/Ferrovello.exe" > "$work/installer.out" 2>&1)
status=$?
[ "$status" = 0 ] || { fail "Ferrovello.exe ended with status $status"; cat "$work/installer.out"; }
same_folder "$simulator" "$work/reference" "Ferrovello.exe from the archive: the Linux installer's six files, byte for byte"
(cd "$work/cwd" && wine "$app/Ferrovello.exe" > "$work/installer.out" 2>&1)
same_folder "$app" "$work/reference" "Ferrovello.exe run where it was unpacked, under accented folder names"
[ -z "$(ls -A "$work/cwd")" ] || fail "files in the working folder: $(ls -A "$work/cwd")"

# --- scenario-tool.exe from the unpacked folder --------------------------------------
said=$(cd "$work/cwd" && wine "$app/scenario-tool.exe" --version 2> /dev/null | tr -d '\r')
[ "$said" = "scenario-tool $version" ] && pass "scenario-tool.exe --version: $said" || fail "scenario-tool.exe --version: \"$said\""
scripts="$work/scrìpt à"
"$linux/bin/scenario-tool" scripts --out "$scripts" > /dev/null
"$linux/bin/scenario-tool" compile --line "$scripts/Ferrovello_linea.txt" --train "$scripts/Ferrovello_2632-.txt" \
  --out "$work/compiled-linux" > /dev/null 2>&1
(cd "$work" && wine "$app/scenario-tool.exe" compile --line "scrìpt à/Ferrovello_linea.txt" \
   --train "scrìpt à/Ferrovello_2632-.txt" --out "compilati è" > "$work/tool.out" 2>&1)
status=$?
[ "$status" = 0 ] || { fail "scenario-tool.exe compile: status $status"; cat "$work/tool.out"; }
same_folder "$work/compilati è" "$work/compiled-linux" "scenario-tool.exe compile: the Linux tool's files, byte for byte"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
