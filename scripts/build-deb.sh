#!/usr/bin/env bash
# Builds the release preset and turns it into a Debian package; prints the package's path.
# Needs dpkg-dev for dpkg-shlibdeps, which works out the library dependencies.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

cmake --preset release
cmake --build --preset release

build_dir="$root/build/release"
# A package left from an earlier version would otherwise be mistaken for this one.
rm -f "$build_dir"/coincidenze_*.deb
(cd "$build_dir" && cpack -G DEB)

shopt -s nullglob
debs=("$build_dir"/coincidenze_*.deb)
if [[ ${#debs[@]} -ne 1 ]]; then
    echo "build-deb: expected one coincidenze_*.deb in $build_dir, found ${#debs[@]}" >&2
    exit 1
fi
echo "${debs[0]}"
