#!/usr/bin/env bash
# Two `make dist` runs of one commit give the same bytes: the commit of this
# checkout is cloned into another folder (another path, another length) and
# packed there again, later, in another time zone and with another umask;
# its three archives must be byte for byte those already in DIST, which
# `make dist` wrote in this checkout. The checkout must be clean (nothing
# changed but ignored build folders), so that both are the same commit.
#
#   reproducible_test.sh DIST
set -uo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 DIST" >&2
  exit 2
fi
dist=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
if [ -n "$(git -C "$source_dir" status --porcelain)" ]; then
  echo "FAILED: the checkout has changes; commit them and run make dist again"
  git -C "$source_dir" status --short
  exit 1
fi
archives=$(cd "$dist" && ls -- *.zip *.deb *.tar.gz 2> /dev/null | LC_ALL=C sort)
[ "$(echo "$archives" | grep -c .)" = 3 ] || { echo "FAILED: DIST holds not the three archives: $archives"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ferrovello-reproducible-XXXXXX")
trap 'rm -rf "$work"' EXIT
clone="$work/another/clone-of-the-same-commit"
mkdir -p "$(dirname "$clone")"
git clone --quiet --no-hardlinks "$source_dir" "$clone"
git -C "$clone" checkout --quiet "$(git -C "$source_dir" rev-parse HEAD)"
# No SOURCE_DATE_EPOCH from outside: the clone reads it from its commit.
(cd "$clone" && umask 077 && env -u SOURCE_DATE_EPOCH TZ=Pacific/Auckland make --no-print-directory dist DIST=dist-again \
   > "$work/make.out" 2>&1) || { echo "FAILED: make dist in the clone"; tail -n 30 "$work/make.out"; exit 1; }

failed=0
for archive in $archives; do
  if cmp "$dist/$archive" "$clone/dist-again/$archive"; then
    echo "ok: $archive: the same $(stat -c %s "$dist/$archive") bytes from both folders"
  else
    echo "FAILED: $archive differs between the two builds"
    failed=1
  fi
done
exit "$failed"
