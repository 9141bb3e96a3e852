#!/usr/bin/env bash
# Builds the Debian package build-deb/llamora_<version>_<arch>.deb: the program alone, configured
# for /opt/llamora (the desktop integration under /usr/share), with Debian's hardening flags,
# stripped, and its dependencies computed by dpkg-shlibdeps.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLLAMORA_WERROR=ON \
    -DLLAMORA_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/ -DLLAMORA_INSTALL_DIR=opt/llamora \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    "${launcher[@]}" >/dev/null
cmake --build build-deb -j"$(nproc)"
rm -f build-deb/llamora_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
ls build-deb/llamora_*.deb
