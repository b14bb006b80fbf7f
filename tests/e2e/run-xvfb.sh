#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one end-to-end script on a private Xvfb screen of 1280x1024.
#
#   run-xvfb.sh SCRIPT HANASHI-EXE XPROBE-EXE SOURCE-DIR [SHOTPROBE-EXE]
#
# Two runs started at the same moment can both see a display number as free
# and then one server fails to start, before the script ever ran. The script
# leaves a mark when it starts, so only that case is tried again, from
# another display number.
#
# The server must not reset when its last client goes (-noreset): cases start
# one game after another, and a game that connects while the server resets
# is refused.
set -uo pipefail

if [[ $# -ne 4 && $# -ne 5 ]]; then
    echo "usage: run-xvfb.sh SCRIPT HANASHI-EXE XPROBE-EXE SOURCE-DIR [SHOTPROBE-EXE]" >&2
    exit 2
fi
for tool in xvfb-run xauth xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "run-xvfb: $tool is missing; run scripts/install-deps.sh" >&2
        exit 2
    fi
done

mark=$(mktemp "${TMPDIR:-/tmp}/hanashi-e2e-mark.XXXXXX")
trap 'rm -f "$mark"' EXIT
for attempt in 1 2 3 4 5; do
    : >"$mark"
    HANASHI_E2E_STARTED=$mark xvfb-run -a -n $((100 + RANDOM % 800)) \
        -s "-screen 0 1280x1024x24 -noreset" bash "$@"
    status=$?
    [[ -s $mark ]] && exit "$status"
    echo "run-xvfb: the X server did not start (attempt $attempt); trying another display" >&2
done
echo "run-xvfb: no X server could be started" >&2
exit 1
