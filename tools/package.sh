#!/usr/bin/env bash
# Makes the Debian package build-package/klarvex_VERSION_ARCH.deb from this
# tree: a Release build of the two programs alone, with Debian's hardening
# flags and without the window's update check (the package manager updates
# the program), packed by cpack; then lintian, when installed, checks it and
# any error fails. KLARVEX_JOBS sets ninja's jobs (default: all cores).
#   tools/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh --package
umask 022
start=$SECONDS

version=$(sed -n 's/^project(Klarvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
logged=$(dpkg-parsechangelog -l data/debian/changelog -S Version)
if [ "$logged" != "$version" ]; then
  echo "package: data/debian/changelog's latest entry is $logged, the project is $version" >&2
  exit 1
fi
deb="klarvex_${version}_$(dpkg --print-architecture).deb"

build="build-package"
rm -rf "$build"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DKLARVEX_TESTS=OFF -DKLARVEX_BENCH=OFF -DKLARVEX_TOOLS=OFF -DKLARVEX_FUZZ=OFF \
  -DKLARVEX_UPDATE_CHECK=OFF -DKLARVEX_PACKAGE=ON >/dev/null
ninja -C "$build" -j "${KLARVEX_JOBS:-$(nproc)}" >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
if [ ! -f "$build/$deb" ]; then
  echo "package: cpack did not make $build/$deb" >&2
  exit 1
fi

if command -v lintian >/dev/null; then
  lintian --fail-on error "$build/$deb" || {
    echo "package: lintian found errors in $build/$deb" >&2
    exit 1
  }
fi
echo "package: $build/$deb, $(stat -c %s "$build/$deb") bytes, made in $((SECONDS - start)) s"
