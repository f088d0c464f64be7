#!/bin/sh
# The installer's program links no object of the authors' tool: no function
# that the tool's library defines, and nothing of the tool's own libraries
# (CLI11, nlohmann JSON), is among the program's symbols.
#   installer_symbols_test.sh NM INSTALLER AUTHORING_LIBRARY
set -eu
nm=$1
installer=$2
authoring=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The strong definitions of the tool's library: functions and data that it
# alone defines (templates and inline functions, weak, may be shared).
"$nm" --defined-only "$authoring" 2>/dev/null | awk '$2 ~ /^[TDBR]$/ { print $3 }' | sort -u > "$work/tool"
"$nm" "$installer" | awk 'NF >= 2 { print $NF }' | sort -u > "$work/installer"
count=$(wc -l < "$work/tool")
if [ "$count" -lt 50 ]; then
  echo "the tool's library defines only $count symbols: is $authoring the right file?"
  exit 1
fi
if [ "$(wc -l < "$work/installer")" -lt 100 ]; then
  echo "$installer has too few symbols to tell (stripped?)"
  exit 1
fi
comm -12 "$work/tool" "$work/installer" > "$work/shared"
if [ -s "$work/shared" ]; then
  echo "$installer holds symbols of the authors' tool:"
  head -20 "$work/shared"
  exit 1
fi
if grep -E 'nlohmann|CLI[0-9]*[A-Z]|_ZN3CLI' "$work/installer" > "$work/libraries"; then
  echo "$installer holds symbols of the tool's libraries:"
  head -20 "$work/libraries"
  exit 1
fi
echo "$installer: none of the $count symbols of $authoring"
