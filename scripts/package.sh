#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the release the plain way (CMake's default generator, no tests) in
# build/package, makes the Debian package from it with cpack and checks the
# package: lintian, the menu entry's and AppStream data's validators, and the
# game started from the unpacked package's /usr/games/hanashi under Xvfb
# (tests/e2e/install_test.sh --deb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build/package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DHANASHI_BUILD_TESTS=OFF >/dev/null
# Makefiles build one job at a time unless told.
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/hanashi_*.deb
(cd "$build" && cpack -G DEB)
deb=$(echo "$build"/hanashi_*.deb)
tests/e2e/install_test.sh --deb "$deb"
echo "package: $deb"
