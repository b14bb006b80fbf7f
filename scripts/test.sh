#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds hanashi with its tests (dev preset) and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev
