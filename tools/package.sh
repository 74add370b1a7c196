#!/bin/sh
# Builds the Debian package build-package/tovask_VERSION_ARCH.deb: a release
# build with Debian's hardening flags (dpkg-buildflags), installed under /usr
# and packed by CPack. Prints the package's path.
set -eu
cd "$(dirname "$0")/.."

sh tools/install-deps.sh
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
# The flags name the source folder so that debug paths stay relative to it.
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build-package -j "$(nproc)"
rm -f build-package/tovask_*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/tovask_*.deb
