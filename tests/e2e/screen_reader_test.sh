#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The game played through the accessibility bus (AT-SPI), the way a screen
# reader such as Orca sees it: a session bus of the test's own, the
# accessibility bus started on it, Qt's accessibility switched on, and
# screen_reader_play.py at the controls.
#
#   run-xvfb.sh screen_reader_test.sh HANASHI-EXE XPROBE-EXE SOURCE-DIR

HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/lib.sh"
e2e_setup "$@"
no_sound

# A session bus of the test's own, with the accessibility bus started on it
# before the game, as a desktop starts it at login: a game finds it there,
# or else waits for a screen reader to start it. It ends when it loses its
# session.
BUS_PID=
trap 'stop_game; stop_helper BUS_PID; e2e_cleanup' EXIT
{
    read -r DBUS_SESSION_BUS_ADDRESS
    read -r BUS_PID
} < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>"$E2E_TMP/bus.log")
[[ -n $DBUS_SESSION_BUS_ADDRESS && -n $BUS_PID ]] ||
    { echo "screen_reader_test: no session bus: $(head -c 300 "$E2E_TMP/bus.log")" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null || { echo "screen_reader_test: the accessibility bus did not start" >&2; exit 1; }
# Debian's own Python, which python3-pyatspi is for, whatever else is first
# on PATH.
PYTHON=/usr/bin/python3
"$PYTHON" -c 'import pyatspi' 2>/dev/null ||
    { echo "screen_reader_test: python3-pyatspi is missing; run scripts/install-deps.sh" >&2; exit 2; }
# Where a screen reader runs, the accessibility bus says so and Qt turns its
# accessibility on; this asks for the same outright.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

Good=はい
Next=つぎの行です。

case_a_screen_reader_plays_a_round() {
    local dir=$E2E_TMP/game
    make_game "$dir" || bad "could not make the game folder" || return 1
    write_script "$dir/dat/opn.dat" "はじまりの行。" "*$Good" "-いいえ" "$Next" "おわりの行。"
    start_game "$dir"
    need_window Form1 || return 1
    "$PYTHON" "$HERE/screen_reader_play.py" "$GAME_PID" "$Good" "$Next" 2>&1 |
        sed 's/^/    /'
    ((PIPESTATUS[0] == 0)) || bad "the screen reader could not play" || return 1
    wait_exit 2000 || bad "still running 2 s after End was pressed" || return 1
    ((GAME_STATUS == 0)) || bad "End gave exit status $GAME_STATUS, not 0" || return 1
    expect_quiet
}

run_case "a screen reader finds the bars, answers, reads the score and hears the next line" \
    case_a_screen_reader_plays_a_round
e2e_summary
