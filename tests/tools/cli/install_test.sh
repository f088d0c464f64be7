#!/bin/sh
# `make install` into a temporary prefix, then what a user of the installed
# programs meets: the tool runs and says the project's version, the
# installer stays off the PATH beside the docs and installs the scenario
# once copied into an empty folder, both manual pages read with man, the
# authors' docs and their pictures are there, the bash completion is valid
# and answers with the subcommands and their options.
#   install_test.sh BUILD VERSION
set -eu
build=$1
version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
# The whole tree, no file more or less.
expected="bin/scenario-tool
share/bash-completion/completions/scenario-tool
share/doc/scenario-tool/authoring.md
share/doc/scenario-tool/changelog.gz
share/doc/scenario-tool/copyright
share/doc/scenario-tool/plot-10-km.png
share/doc/scenario-tool/plot-whole-route.png
share/doc/scenario-tool/script-format.md
share/doc/scenario-tool/serve-banner.png
share/doc/scenario-tool/view-5-km.png
share/doc/scenario-tool/view-whole-route.png
share/ferrovello/ferrovello
share/man/man1/ferrovello.1.gz
share/man/man1/scenario-tool.1.gz"
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$expected" ] || fail "installed files:
$installed"
[ -x "$prefix/bin/scenario-tool" ] && [ -x "$prefix/share/ferrovello/ferrovello" ] || fail "a program is not executable"
for picture in $(grep -o '([a-z0-9-]*\.png)' "$prefix/share/doc/scenario-tool/authoring.md" | tr -d '()'); do
  [ -f "$prefix/share/doc/scenario-tool/$picture" ] || fail "authoring.md shows $picture, not installed"
done
cmp -s "$prefix/share/doc/scenario-tool/authoring.md" "$(dirname "$0")/../../../docs/authoring.md" ||
  fail "authoring.md is not the source's"
gzip -dc "$prefix/share/doc/scenario-tool/changelog.gz" | head -n 1 | grep -qF "scenario-tool ($version)" ||
  fail "the changelog's first entry is not $version"
grep -q '^License: Expat$' "$prefix/share/doc/scenario-tool/copyright" || fail "copyright names no licence"

# The installer copied into an empty folder writes the scenario there, and
# nothing beside itself where it is installed.
scenario=$(mktemp -d)
trap 'rm -rf "$prefix" "$scenario"' EXIT
cp "$prefix/share/ferrovello/ferrovello" "$scenario/"
(cd / && "$scenario/ferrovello" 2>/dev/null) || fail "the copied installer ended with status $?"
sizes=$(cd "$scenario" && for f in Ferrovello_*; do printf '%s %s\n' "$(stat -c %s "$f")" "$f"; done)
[ "$sizes" = "28515 Ferrovello_2632.dat
4596 Ferrovello_2632.sim
12141 Ferrovello_2632_note.txt
3298 Ferrovello_2632_rallentamenti.txt
3825 Ferrovello_2632_scheda_treno.txt
1899964 Ferrovello_linea.dat" ] || fail "the copied installer wrote:
$sizes"
[ "$(ls "$prefix/share/ferrovello")" = ferrovello ] || fail "share/ferrovello holds more than the installer"
# The installed tool packages a scenario from the installed installer.
"$prefix/bin/scenario-tool" scripts --out "$scenario/script" >/dev/null
"$prefix/bin/scenario-tool" package --line "$scenario/script/Ferrovello_linea.txt" \
  --train "$scenario/script/Ferrovello_2632-.txt" --out "$scenario/pacchetto" >/dev/null 2>&1 ||
  fail "the installed tool does not package without --stub"
head -c "$(stat -c %s "$prefix/share/ferrovello/ferrovello")" "$scenario/pacchetto" |
  cmp -s - "$prefix/share/ferrovello/ferrovello" || fail "the package does not start with the installed installer"

tool=$prefix/bin/scenario-tool
help=$("$tool" --help) || fail "scenario-tool --help: status $?"
echo "$help" | grep -q compile || fail "scenario-tool --help names no subcommand: $help"
[ "$("$tool" --version)" = "scenario-tool $version" ] || fail "scenario-tool --version: $("$tool" --version)"

page() { MANWIDTH=100 MANPAGER=cat PAGER=cat man -l "$prefix/share/man/man1/$1" 2>&1; }
tool_page=$(page scenario-tool.1.gz)
echo "$tool_page" | tail -n 1 | grep -qF "ferrovello $version" || fail "scenario-tool(1) does not say $version"
for heading in NOME SINTESI DESCRIZIONE COMANDI "STATO D'USCITA"; do
  echo "$tool_page" | grep -q "^$heading" || fail "scenario-tool(1) has no section $heading"
done
for sub in compile check dump plot view scripts package lsp; do
  echo "$tool_page" | grep -q "^   $sub\$" || fail "scenario-tool(1) has no subcommand $sub"
done
for text in "--line-file FILE" "--type percorso|elementi|linea" "--from KM" "Numero del treno. Se manca: 2632." \
            "ferrovello(1)"; do
  echo "$tool_page" | grep -qF -- "$text" || fail "scenario-tool(1) lacks \"$text\""
done
echo "$tool_page" | grep -q "warning\|can't\|cannot" && fail "man reports: $tool_page"
installer_page=$(page ferrovello.1.gz)
for text in Ferrovello_linea.dat Ferrovello_2632.sim Ferrovello_2632.dat Ferrovello.lock "STATO D'USCITA" "già" \
            "cp /usr/share/ferrovello/ferrovello CARTELLA_DEL_SIMULATORE/" "ferrovello $version"; do
  echo "$installer_page" | grep -qF -- "$text" || fail "ferrovello(1) lacks \"$text\""
done

completion=$prefix/share/bash-completion/completions/scenario-tool
bash -n "$completion" || fail "the completion is not valid bash"
# What the completion offers after the words given (the last one being typed).
offers() {
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _scenario_tool; echo "${COMPREPLY[*]}"' \
    complete "$completion" "$@"
}
subs=$(offers scenario-tool "")
for sub in compile check dump plot view scripts package lsp --help; do
  echo " $subs " | grep -q " $sub " || fail "the completion does not offer $sub: $subs"
done
[ "$(offers scenario-tool dump x.sim --type "")" = "percorso elementi linea" ] || fail "dump --type: $(offers scenario-tool dump x.sim --type "")"
[ "$(offers scenario-tool plot --li)" = "--line-file --line" ] || fail "plot --li: $(offers scenario-tool plot --li)"
[ "$(offers scenario-tool compile --name "")" = "" ] || fail "compile --name offers files"
# A file name with blanks and an accent is one word, offered whole.
names=$(mktemp -d)
touch "$names/linea già.txt" "$names/linea due.txt"
one_a_line=$(cd "$names" && bash -c '. "$1"; COMP_WORDS=(scenario-tool check --line "linea g"); COMP_CWORD=3;
  _scenario_tool; printf "%s\n" "${COMPREPLY[@]}"' complete "$completion")
rm -rf "$names"
[ "$one_a_line" = "linea già.txt" ] || fail "check --line \"linea g\" offers: $one_a_line"
echo "installed into a temporary prefix: programs, manual pages and completion as expected"
