#!/bin/sh
# The language server in a real editor: Debian's Neovim, headless, runs
# neovim_test.lua against `scenario-tool lsp` on the embedded scenario's
# scripts. Without Neovim it is skipped (status 77), except in CI (CI=true).
#   neovim_test.sh SCENARIO_TOOL WORK_FOLDER
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v nvim > /dev/null; then
  echo "missing: neovim (make deps installs it)"
  if [ "$CI" = true ]; then exit 1; fi
  exit 77
fi
tool=$1
work=$2
rm -rf "$work"
mkdir -p "$work/home" || exit 1
"$tool" scripts --out "$work/scenario" > /dev/null || exit 1
# A home of its own: no configuration or plugin of the user is read.
HOME="$work/home" XDG_CONFIG_HOME="$work/home" XDG_DATA_HOME="$work/home" XDG_STATE_HOME="$work/home" \
LSP_TOOL="$tool" LSP_SCENARIO="$work/scenario" \
  timeout 120 nvim --headless --clean -u NONE -i NONE -n -c "luafile $here/neovim_test.lua"
status=$?
cat "$work/home/esito.txt" 2> /dev/null
exit $status
