#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the programs from there,
# then unpacks the Debian package `make package` made and checks its files,
# its fields and its dependencies.
# Usage: scripts/check-install.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "install-check: $*" >&2
  exit 1
}

# What an installation holds, relative to its prefix.
expected="bin/slice_view
bin/voxmill
share/doc/voxmill/LICENSE
share/doc/voxmill/README.md
share/man/man1/slice_view.1.gz
share/man/man1/voxmill.1.gz"

# Every file under a directory, relative to it, sorted.
listFiles() { (cd "$1" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort); }

# The programs under a prefix start with the libraries found at run time,
# and the manual pages there are those of docs/.
checkPrefix() {
  local prefix=$1 out status=0
  [ "$(listFiles "$prefix")" = "$expected" ] || fail "$prefix holds: $(listFiles "$prefix" | tr '\n' ' ')"
  out=$("$prefix/bin/voxmill" -V) || fail "$prefix/bin/voxmill -V failed: $out"
  [ "$out" = "Voxmill vesion: $version" ] || fail "$prefix/bin/voxmill -V printed '$out'"
  out=$("$prefix/bin/slice_view" 2>&1) || status=$?
  [ "$status" -eq 1 ] || fail "$prefix/bin/slice_view without a command ended with $status, not 1"
  [[ $out == "usage: slice_view info FILE"* ]] || fail "$prefix/bin/slice_view printed '$out'"
  for page in voxmill slice_view; do
    gzip -dc "$prefix/share/man/man1/$page.1.gz" | cmp -s - "docs/$page.1" ||
      fail "$prefix/share/man/man1/$page.1.gz is not docs/$page.1"
  done
}

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
checkPrefix "$scratch/prefix"
echo "install-check: the installation runs from a scratch prefix (voxmill $version)"

deb="$build/voxmill_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "$deb is missing; make package builds it"
[ "$(dpkg-deb -f "$deb" Package)" = voxmill ] || fail "$deb: Package is not voxmill"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb: Version is not $version"
owners=$(dpkg-deb -c "$deb" | awk '{print $2}' | sort -u)
[ "$owners" = root/root ] || fail "$deb: files owned by $owners"
dpkg-deb -x "$deb" "$scratch/deb"
[ "$(ls "$scratch/deb")" = usr ] || fail "$deb holds files outside /usr: $(ls "$scratch/deb")"
checkPrefix "$scratch/deb/usr"

# The dependencies dpkg-shlibdeps read off the binaries: the runtime
# libraries the programs link, never a development package.
depends=$(dpkg-deb -f "$deb" Depends)
names=$(echo "$depends" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g')
for lib in 'libqt5core5[a-z0-9]*' 'libqt5gui5[a-z0-9-]*' 'libpolyclipping[0-9]+' 'zlib1g' 'libc6' 'libstdc\+\+6'; do
  grep -Eqx "$lib" <<<"$names" || fail "$deb: Depends lacks $lib: $depends"
done
! grep -E -- '-dev$' <<<"$names" || fail "$deb: Depends names a development package: $depends"
echo "install-check: $(basename "$deb") unpacks to /usr and runs; Depends: $depends"
