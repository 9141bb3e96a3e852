#!/usr/bin/env bash
# Builds the Debian package build/llamora_<version>_<arch>.deb: the program alone (no tests, no
# benchmarks), installed in /opt/llamora with its commands in /usr/bin and the desktop
# integration under /usr/share, with Debian's hardening flags, stripped, and its dependencies
# computed by dpkg-shlibdeps. It packages the build that scripts/build.sh makes for the tests,
# compiling nothing again; where there is no build yet, it builds the program without the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
tests=$(sed -n 's/^LLAMORA_BUILD_TESTS:BOOL=//p' build/CMakeCache.txt 2>/dev/null || true)
bash scripts/build.sh -DLLAMORA_BUILD_TESTS="${tests:-OFF}"
rm -f build/llamora_*.deb
(cd build && cpack -G DEB >/dev/null)
ls build/llamora_*.deb
