#!/usr/bin/env bash
# Configures and builds Llamora into ./build (warnings are errors); ccache is used where present.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLLAMORA_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build -j"$(nproc)"
