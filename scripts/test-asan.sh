#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the suite with AddressSanitizer and UndefinedBehaviorSanitizer (asan
# preset, build/asan) and runs it. Any report fails the test that caused it:
# -fno-sanitize-recover turns UB into an abort, and LeakSanitizer makes a
# leaking test exit non-zero. The preset's test environment turns on the
# stricter checks (use after return, initialisation order), but not
# strict_string_checks: with it, libxkbcommon-x11's strndup on a keymap name
# that is not NUL-terminated (legal) reads as an overflow, and every
# end-to-end start of the game under Xvfb would fail.
#
# Extra arguments go to ctest, e.g. scripts/test-asan.sh -R Story.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset asan >/dev/null
cmake --build --preset asan -j2
ctest --preset asan -j2 "$@"
