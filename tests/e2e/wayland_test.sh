#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real game on a real Wayland compositor, as on most players' desktops:
# weston, headless, drawing with its pixman renderer, with its own panel at
# the top. The game runs there natively, asks to be maximised and draws its
# own title bar inside what the compositor gives it; Help and End must still
# show whole, at scale 1 and 2. Set HANASHI_E2E_SHOTS to a folder to keep
# the screenshots.
#
#   wayland_test.sh HANASHI-EXE XPROBE-EXE SOURCE-DIR SHOTPROBE-EXE

E2E_OWN_DISPLAY=1
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
no_sound
unset DISPLAY
for tool in weston weston-screenshooter; do
    command -v "$tool" >/dev/null ||
        { echo "wayland_test: $tool is missing; run scripts/install-deps.sh" >&2; exit 2; }
done

WESTON_PID=
SHOTS=$E2E_TMP/shots
mkdir "$SHOTS"

trap 'stop_helper WESTON_PID; e2e_cleanup' EXIT

# start_weston WIDTH HEIGHT SCALE: a compositor of this test's own, reading
# no one's weston.ini. Its size is in units of the scale: 1280 800 2 is a
# 2560 x 1600 screen. The debug protocol lets weston-screenshooter read the
# screen.
start_weston() {
    local socket=wayland-e2e-$1x$2x$3 deadline
    weston --backend=headless-backend.so --use-pixman --width="$1" --height="$2" \
        --scale="$3" --socket="$socket" --idle-time=0 --no-config --debug \
        --log="$E2E_TMP/weston-$socket.log" >/dev/null 2>&1 &
    WESTON_PID=$!
    export WAYLAND_DISPLAY=$socket XDG_SESSION_TYPE=wayland
    deadline=$(($(now_ms) + 10000))
    # A desktop has its panel before any game starts: weston gives a
    # maximised window the room below the panel it has at that moment.
    until [[ -S $XDG_RUNTIME_DIR/$socket ]] && panel_shown; do
        (($(now_ms) < deadline)) ||
            bad "weston showed no panel within 10 s: $(tail -n 3 "$E2E_TMP/weston-$socket.log")" ||
            return 1
        sleep 0.05
    done
}

panel_shown() {
    shoot && [[ $("$SHOTPROBE" pixels "$SHOT" 1,1) != 000000 ]]
}

# shoot: a screenshot of the whole output; sets SHOT to its file.
shoot() {
    rm -f "$SHOTS"/wayland-screenshot-*.png
    (cd "$SHOTS" && weston-screenshooter) >/dev/null 2>&1 || return 1
    SHOT=$(ls "$SHOTS"/wayland-screenshot-*.png 2>/dev/null | head -n 1)
    [[ -n $SHOT ]]
}

shot_shows_whole_buttons() {
    shoot && buttons_whole "$SHOT" >/dev/null 2>&1
}

# case_buttons_whole WIDTH HEIGHT SCALE: the bundled game, until the story
# shows, then its buttons checked on the screen.
case_buttons_whole() {
    local dir=$E2E_TMP/game-$3 expected size
    expected="$(($1 * $3)) $(($2 * $3))"
    stop_helper WESTON_PID
    make_game "$dir" || bad "could not make the game folder" || return 1
    start_weston "$1" "$2" "$3" || return 1
    start_game "$dir"
    if ! wait_for 15000 shot_shows_whole_buttons; then
        game_running || bad "the game ended before showing its window" || return 1
        shoot || bad "weston-screenshooter took no picture" || return 1
        buttons_whole "$SHOT" || return 1
    fi
    size=$("$SHOTPROBE" size "$SHOT")
    [[ $size == "$expected" ]] || bad "the screen is $size pixels, not $expected" || return 1
    echo "    Help and End at $BAND on the ${expected/ /x} screen"
    [[ -n ${HANASHI_E2E_SHOTS:-} ]] && cp "$SHOT" "$HANASHI_E2E_SHOTS/wayland-scale-$3.png"
    game_running || bad "the game ended by itself" || return 1
    expect_quiet || return 1
    stop_game
    stop_helper WESTON_PID
}

run_case "weston 1280x1024: Help and End whole below Qt's title bar" \
    case_buttons_whole 1280 1024 1
run_case "weston 2560x1600 at scale 2: Help and End whole" case_buttons_whole 1280 800 2
e2e_summary
