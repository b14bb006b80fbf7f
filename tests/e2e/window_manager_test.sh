#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real game under a real X11 window manager, openbox, which frames the
# window with its own title bar and maximises it as the game asks: Help and
# End show whole in what is left, at scale 1 and 1.5, and a click on each
# does what it says. Set HANASHI_E2E_SHOTS to a folder to keep the
# screenshots.
#
#   run-xvfb.sh window_manager_test.sh HANASHI-EXE XPROBE-EXE SOURCE-DIR SHOTPROBE-EXE

source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
no_sound
command -v openbox >/dev/null ||
    { echo "window_manager_test: openbox is missing; run scripts/install-deps.sh" >&2; exit 2; }

WM_PID=
trap 'stop_helper WM_PID; e2e_cleanup' EXIT

# The manager of this screen, with the default settings (HOME is the test's
# own); it has the screen once it names itself on the root window.
openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
WM_PID=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
deadline=$(($(now_ms) + 10000))
until wm_running; do
    (($(now_ms) < deadline)) ||
        { echo "openbox did not start: $(tail -n 3 "$E2E_TMP/openbox.log")" >&2; exit 1; }
    sleep 0.05
done

shot_shows_whole_buttons() {
    "$XPROBE" save "$E2E_TMP/screen.ppm" && buttons_whole "$E2E_TMP/screen.ppm" >/dev/null 2>&1
}

# case_framed_and_maximised SCALE: the bundled game, maximised in openbox's
# frame, its buttons whole; then Help runs the opener and End ends it.
case_framed_and_maximised() {
    local dir=$E2E_TMP/game-$1 record=$E2E_TMP/opened-$1.txt x y w h state
    install_stand_in_opener "$record"
    make_game "$dir" || bad "could not make the game folder" || return 1
    export QT_SCALE_FACTOR=$1
    start_game "$dir"
    unset QT_SCALE_FACTOR
    need_window Form1 || return 1
    if ! wait_for 10000 shot_shows_whole_buttons; then
        "$XPROBE" save "$E2E_TMP/screen.ppm" || bad "could not read the screen" || return 1
        buttons_whole "$E2E_TMP/screen.ppm" || return 1
    fi
    state=$(xprop -id "$WINDOW" _NET_WM_STATE)
    [[ $state == *_NET_WM_STATE_MAXIMIZED_VERT* && $state == *_NET_WM_STATE_MAXIMIZED_HORZ* ]] ||
        bad "openbox did not maximise the window: $state" || return 1
    echo "    Help and End at $BAND in a window of" \
        "$(xwininfo -id "$WINDOW" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h}')"
    [[ -n ${HANASHI_E2E_SHOTS:-} ]] &&
        "$SHOTPROBE" convert "$E2E_TMP/screen.ppm" "$HANASHI_E2E_SHOTS/openbox-scale-$1.png"
    expect_quiet || return 1

    read -r x y w h <<<"$BAND"
    xdotool mousemove $((x + w / 4)) $((y + h / 2)) click 1
    wait_for 5000 grep -qx -- -- "$record" || bad "the Help click ran no opener within 5 s" ||
        return 1
    xdotool mousemove $((x + 3 * w / 4)) $((y + h / 2)) click 1
    wait_exit 1000 || bad "still running 1 s after the End click" || return 1
    ((GAME_STATUS == 0)) || bad "End gave exit status $GAME_STATUS, not 0"
}

run_case "openbox at scale 1: maximised, Help and End whole and working" \
    case_framed_and_maximised 1
run_case "openbox at scale 1.5: maximised, Help and End whole and working" \
    case_framed_and_maximised 1.5
e2e_summary
