#!/usr/bin/env bash
# `make dist`: the three archives of a release into DIST, from a Linux build
# configured for release (Release, prefix /usr) and the Windows cross build.
#
#   make_dist.sh LINUX_BUILD WIN_BUILD DIST
#
#   DIST/ferrovello-VERSION-windows-x86_64.zip   Ferrovello.exe, scenario-tool.exe,
#                                                the licence, the docs as HTML
#   DIST/scenario-tool_VERSION_amd64.deb          the tree of `make install` under /usr
#   DIST/ferrovello-VERSION-linux-x86_64.tar.gz   the same tree, in one folder
#
# The same commit gives the same bytes wherever and whenever it is packed:
# every date is SOURCE_DATE_EPOCH (the commit's time when unset), entries are
# sorted, owners are root and modes fixed, the programs stripped.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: $0 LINUX_BUILD WIN_BUILD DIST" >&2
  exit 2
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
linux_build=$(cd "$1" && pwd)
win_build=$(cd "$2" && pwd)
mkdir -p "$3"
dist=$(cd "$3" && pwd)

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
export TZ=UTC LC_ALL=C
umask 022

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux_build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $linux_build/CMakeCache.txt" >&2; exit 1; }
for exe in Ferrovello.exe scenario-tool.exe; do
  [ -f "$win_build/$exe" ] || { echo "$win_build/$exe is missing (make windows)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ferrovello-dist-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Fixed modes and dates over a tree: folders and programs 755, the rest 644.
# $1: the tree, the rest: the programs, relative to it.
normalise() {
  local tree=$1
  shift
  find "$tree" -type d -exec chmod 755 {} +
  find "$tree" -type f -exec chmod 644 {} +
  for program in "$@"; do chmod 755 "$tree/$program"; done
  find "$tree" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# --- the installed tree -------------------------------------------------------
stage=$work/stage
DESTDIR=$stage cmake --install "$linux_build" --prefix /usr --strip > /dev/null
programs=(usr/bin/scenario-tool usr/share/ferrovello/ferrovello)
# As Debian strips its programs: no compiler's notes either.
for program in "${programs[@]}"; do strip --remove-section=.comment "$stage/$program"; done
normalise "$stage" "${programs[@]}"

# --- the Linux archive: that tree, bin/ and share/ in one folder ----------------
top=ferrovello-$version-linux-x86_64
mkdir -p "$work/tar/$top"
cp -a "$stage/usr/." "$work/tar/$top/"
tarball=$dist/$top.tar.gz
tar --create --format=gnu --sort=name --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -C "$work/tar" "$top" | gzip -9n > "$tarball.new"
mv "$tarball.new" "$tarball"

# --- the Debian package -----------------------------------------------------------
package=$work/deb
cp -a "$stage" "$package"
install -D -m 644 "$source_dir/release/debian/lintian-overrides" "$package/usr/share/lintian/overrides/scenario-tool"
mkdir -p "$package/DEBIAN"
installed_size=$(du -s -k --apparent-size "$package/usr" | cut -f 1)
sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$installed_size/" \
  "$source_dir/release/debian/control.in" > "$package/DEBIAN/control"
(cd "$package" && find usr -type f | sort | xargs md5sum > DEBIAN/md5sums)
normalise "$package" "${programs[@]}"
deb=$dist/scenario-tool_${version}_amd64.deb
dpkg-deb --root-owner-group -Zxz --threads-max=1 --build "$package" "$deb.new" > /dev/null
mv "$deb.new" "$deb"

# --- the Windows archive ------------------------------------------------------------
zip=$dist/ferrovello-$version-windows-x86_64.zip
/usr/bin/python3 "$source_dir/release/windows_zip.py" "$zip.new" "ferrovello-$version-windows-x86_64" \
  "$source_dir" "$win_build/Ferrovello.exe" "$win_build/scenario-tool.exe"
mv "$zip.new" "$zip"

echo "In $dist:"
for f in "$zip" "$deb" "$tarball"; do
  printf '  %10d  %s\n' "$(stat -c %s "$f")" "$(basename "$f")"
done
