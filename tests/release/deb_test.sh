#!/usr/bin/env bash
# The Debian package as a user meets it, on the machine itself (run as root,
# as CI does; it installs the package and always removes and purges it on
# the way out, also when a check fails):
#   - lintian reports no error;
#   - the Linux archive holds the package's tree, byte for byte;
#   - `dpkg -i` installs it; scenario-tool --version says the package's
#     version, man scenario-tool and man ferrovello read, the bash completion
#     answers; the installer is not on the PATH and, copied from
#     /usr/share/ferrovello/ into an empty folder, installs the scenario,
#     and run where it lies, even by root, refuses and writes nothing;
#   - `dpkg -r` then `dpkg -P` leave no file of the package behind.
#
#   deb_test.sh DEB TARBALL
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 DEB TARBALL" >&2
  exit 2
fi
deb=$(realpath "$1")
tarball=$(realpath "$2")
if [ "$(id -u)" != 0 ]; then
  if [ "${CI:-}" = true ]; then echo "FAILED: CI must run this test as root"; exit 1; fi
  echo "skipped: installing a package needs root"
  exit 77
fi
package=scenario-tool
if dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'ok installed'; then
  echo "FAILED: $package is already installed: this test installs and removes it"
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/ferrovello-deb-XXXXXX")
cleanup() {
  dpkg -P "$package" > /dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "${package}_${version}_amd64.deb" ] && pass "the package's name carries its version $version" ||
  fail "$(basename "$deb") is not named after version $version"
[ -z "$(dpkg-deb -f "$deb" Depends Pre-Depends)" ] && pass "no dependencies (static programs)" ||
  fail "dependencies: $(dpkg-deb -f "$deb" Depends Pre-Depends)"

# --- lintian ------------------------------------------------------------------
lintian --tag-display-limit 0 "$deb" > "$work/lintian.out" 2>&1
if grep -q '^E: ' "$work/lintian.out"; then
  fail "lintian reports errors"; cat "$work/lintian.out"
else
  pass "lintian: no error ($(grep -c '^[WIP]: ' "$work/lintian.out") warnings and notes)"
  sed 's/^/  /' "$work/lintian.out"
fi

# --- the archive holds the package's tree --------------------------------------
mkdir -p "$work/deb" "$work/tar"
dpkg-deb -x "$deb" "$work/deb"
tar -xzf "$tarball" -C "$work/tar"
top=$(basename "$tarball" .tar.gz)
# The lintian overrides belong to the package alone.
rm -r "$work/deb/usr/share/lintian"
check "the Linux archive holds the package's tree under $top/" diff -r "$work/deb/usr" "$work/tar/$top"

# --- installed ------------------------------------------------------------------
if ! dpkg -i "$deb" > "$work/dpkg.out" 2>&1; then
  fail "dpkg -i"; cat "$work/dpkg.out"
  exit 1
fi
pass "dpkg -i $(basename "$deb")"
[ "$(command -v scenario-tool)" = /usr/bin/scenario-tool ] && [ "$(scenario-tool --version)" = "scenario-tool $version" ] &&
  pass "scenario-tool --version: $(scenario-tool --version)" || fail "scenario-tool --version: $(scenario-tool --version 2>&1)"
! command -v ferrovello > /dev/null && pass "the installer is not on the PATH" || fail "ferrovello is on the PATH"

page() { MANWIDTH=100 MANPAGER=cat PAGER=cat man "$1" 2>&1; }
page scenario-tool > "$work/tool.man"
grep -q '^COMANDI' "$work/tool.man" && grep -qF "ferrovello $version" "$work/tool.man" &&
  pass "man scenario-tool" || { fail "man scenario-tool"; head -n 20 "$work/tool.man"; }
page ferrovello > "$work/installer.man"
grep -qF "cp /usr/share/ferrovello/ferrovello CARTELLA_DEL_SIMULATORE/" "$work/installer.man" &&
  pass "man ferrovello says to copy the installer from /usr/share/ferrovello/" || { fail "man ferrovello"; cat "$work/installer.man"; }

# The completion as bash-completion loads it: by the command's name.
offers=$(bash -c '. /usr/share/bash-completion/completions/scenario-tool
  COMP_WORDS=(scenario-tool dump x.sim --type ""); COMP_CWORD=4; _scenario_tool; echo "${COMPREPLY[*]}"')
[ "$offers" = "percorso elementi linea" ] && pass "the completion answers: $offers" || fail "the completion offers \"$offers\""

for doc in authoring.md script-format.md copyright changelog.gz; do
  [ -f "/usr/share/doc/$package/$doc" ] || fail "/usr/share/doc/$package/$doc missing"
done

mkdir -p "$work/simulatore" "$work/cwd"
cp /usr/share/ferrovello/ferrovello "$work/simulatore/"
(cd "$work/cwd" && "$work/simulatore/ferrovello" 2> /dev/null)
status=$?
sizes=$(cd "$work/simulatore" && for f in Ferrovello_*; do printf '%s %s\n' "$(stat -c %s "$f")" "$f"; done)
if [ "$status" = 0 ] && [ "$sizes" = "28515 Ferrovello_2632.dat
4596 Ferrovello_2632.sim
12141 Ferrovello_2632_note.txt
3298 Ferrovello_2632_rallentamenti.txt
3825 Ferrovello_2632_scheda_treno.txt
1899964 Ferrovello_linea.dat" ] && [ -z "$(ls -A "$work/cwd")" ]; then
  pass "the installer copied from /usr/share/ferrovello/ into an empty folder installs the six files"
else
  fail "the copied installer: status $status, files:"; echo "$sizes"
fi

# Root may write anywhere: the installed copy run where it lies must still
# refuse, or the scenario lands among the package's files and outlives it.
err=$(cd "$work/cwd" && /usr/share/ferrovello/ferrovello 2>&1 > /dev/null)
status=$?
if [ "$status" = 1 ] && [ "$(ls -A /usr/share/ferrovello)" = ferrovello ] &&
  grep -qF "copia il programma nella cartella del simulatore" <<< "$err"; then
  pass "the installed copy run in place by root refuses and writes nothing"
else
  fail "the installed copy run in place: status $status, $(ls -A /usr/share/ferrovello | tr '\n' ' '): $err"
fi

# --- removed, then purged ----------------------------------------------------------
files=$(dpkg -L "$package" | while read -r f; do [ -f "$f" ] && echo "$f"; done)
dpkg -r "$package" > /dev/null 2>&1 && pass "dpkg -r" || fail "dpkg -r"
dpkg -P "$package" > /dev/null 2>&1 && pass "dpkg -P" || fail "dpkg -P"
left=""
for f in $files /usr/share/ferrovello /usr/share/doc/$package; do
  [ -e "$f" ] && left="$left $f"
done
dpkg-query -W "$package" > /dev/null 2>&1 && left="$left (dpkg still knows the package)"
[ -z "$left" ] && pass "nothing left behind" || fail "left behind:$left"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
