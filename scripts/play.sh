#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds hanashi (release) and starts it on the bundled story.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/hanashi
