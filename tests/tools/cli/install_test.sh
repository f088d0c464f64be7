#!/bin/sh
# `make install` into a temporary prefix, then what a user of the installed
# programs meets: the tool runs, both manual pages read with man, the bash
# completion is valid and answers with the subcommands and their options.
#   install_test.sh BUILD
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/ferrovello bin/scenario-tool share/man/man1/scenario-tool.1 share/man/man1/ferrovello.1 \
         share/bash-completion/completions/scenario-tool; do
  [ -f "$prefix/$f" ] || fail "$f not installed"
done
[ -x "$prefix/bin/ferrovello" ] || fail "bin/ferrovello is not executable"

tool=$prefix/bin/scenario-tool
help=$("$tool" --help) || fail "scenario-tool --help: status $?"
echo "$help" | grep -q compile || fail "scenario-tool --help names no subcommand: $help"
if echo "$help" | grep -q -- --version; then
  "$tool" --version | grep -q . || fail "scenario-tool --version prints nothing"
fi

page() { MANWIDTH=100 MANPAGER=cat PAGER=cat man -l "$prefix/share/man/man1/$1" 2>&1; }
tool_page=$(page scenario-tool.1)
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
installer_page=$(page ferrovello.1)
for text in Ferrovello_linea.dat Ferrovello_2632.sim Ferrovello_2632.dat Ferrovello.lock "STATO D'USCITA" "già"; do
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
echo "installed into a temporary prefix: programs, manual pages and completion as expected"
