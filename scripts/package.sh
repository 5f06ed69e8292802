#!/usr/bin/env bash
# Builds the Release preset for /usr and makes a Debian package of it with CPack (dependencies from
# dpkg-shlibdeps). Prints the package's path as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package >&2

build=build/package
# The distribution's hardening (fortified functions, read-only relocations, bind now), as lintian
# expects of a binary package.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset release -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DDUSTREL_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >&2
cmake --build "$build" -j "$jobs" >&2
rm -rf "$build/package"
(cd "$build" && cpack -G DEB) >&2

debs=("$build"/package/dustrel_*.deb)
[ -f "${debs[0]}" ] || { echo "CPack made no package" >&2; exit 1; }
realpath "${debs[0]}"
