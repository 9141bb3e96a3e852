#!/usr/bin/env bash
# Configures and builds Llamora into ./build (warnings are errors); ccache is used where present.
# One configuration serves the tests, the demonstration, the benchmarks and the Debian package, so
# that the program is compiled once: Debian's hardening flags and the package's layout (the
# program folder /opt/llamora). Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLLAMORA_WERROR=ON -DLLAMORA_BUILD_TESTS=ON \
    -DCMAKE_INSTALL_PREFIX=/ -DLLAMORA_INSTALL_DIR=opt/llamora \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    "${launcher[@]}" "$@" >/dev/null
cmake --build build -j"$(nproc)"
