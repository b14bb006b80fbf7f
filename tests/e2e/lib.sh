# SPDX-License-Identifier: MIT
# Sourced by the end-to-end scripts, which run under run-xvfb.sh with the
# arguments HANASHI-EXE XPROBE-EXE SOURCE-DIR [SHOTPROBE-EXE]. A script that
# brings its own display (a Wayland compositor) sets E2E_OWN_DISPLAY=1 first
# and runs without X.
#
# Gives each case a program folder of its own (a copy of the executable, dat/
# and the help page), starts the game there, waits on its windows and its
# exit with deadlines, clicks and reads the screen in the window's 8 x 6
# units, and never leaves a game running or a folder behind.

set -uo pipefail

GAME_PID=
GAME_STATUS=
GAME_ERR=
GAME_OUT=
EXIT_MS=
WINDOW=
SCREEN_W=1280
SCREEN_H=1024
PASSED=0
FAILED=0
SKIPPED=0
FAILED_NAMES=()

e2e_setup() {
    if [[ $# -ne 3 && $# -ne 4 ]]; then
        echo "usage: $0 HANASHI-EXE XPROBE-EXE SOURCE-DIR [SHOTPROBE-EXE]" \
            "(run through run-xvfb.sh)" >&2
        exit 2
    fi
    HANASHI_EXE=$(realpath -e "$1") || exit 2
    XPROBE=$(realpath -e "$2") || exit 2
    SOURCE_DIR=$(realpath -e "$3") || exit 2
    SHOTPROBE=
    if [[ $# -eq 4 ]]; then
        SHOTPROBE=$(realpath -e "$4") || exit 2
    fi
    [[ -n ${HANASHI_E2E_STARTED:-} ]] && echo started >"$HANASHI_E2E_STARTED"
    [[ -n ${DISPLAY:-} || ${E2E_OWN_DISPLAY:-} == 1 ]] ||
        { echo "e2e: no DISPLAY; run through run-xvfb.sh" >&2; exit 2; }
    [[ -x $HANASHI_EXE ]] || { echo "e2e: no executable at $HANASHI_EXE" >&2; exit 2; }
    [[ -x $XPROBE ]] || { echo "e2e: no xprobe at $XPROBE" >&2; exit 2; }
    [[ -f $SOURCE_DIR/dat/opn.dat ]] || { echo "e2e: no dat/ in $SOURCE_DIR" >&2; exit 2; }
    HELP_PAGE_NAME="最初にお読み下さい.html"
    [[ -f $SOURCE_DIR/help/$HELP_PAGE_NAME ]] ||
        { echo "e2e: no help page in $SOURCE_DIR/help" >&2; exit 2; }

    # The game comes up on this screen whatever the calling shell set for
    # Qt: QT_QPA_PLATFORM=offscreen (usual in headless set-ups) would keep
    # its window off the screen, a scale factor or style would change what
    # the screen shows, and a Wayland session would take the window to
    # another display.
    local var
    for var in $(compgen -e); do
        [[ $var == QT_* ]] && unset "$var"
    done
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP DESKTOP_SESSION

    # A folder for screenshots to keep, if the caller names one.
    if [[ -n ${HANASHI_E2E_SHOTS:-} ]]; then
        HANASHI_E2E_SHOTS=$(realpath -m "$HANASHI_E2E_SHOTS") && mkdir -p "$HANASHI_E2E_SHOTS" ||
            exit 2
    fi

    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/hanashi-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    # A desktop session always has a private runtime folder; without one Qt
    # says so on stderr, and these tests insist that a game in play prints
    # nothing.
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    # Nobody's desktop settings leak in; the game reads none anyway.
    export HOME=$E2E_TMP/home
    mkdir "$HOME"
    cd "$E2E_TMP" || exit 2
}

e2e_cleanup() {
    stop_game
    stop_sound
    # A chmod 000 case must not keep its folder from going.
    [[ -n ${E2E_TMP:-} && -d $E2E_TMP ]] && chmod -R u+rwX "$E2E_TMP" 2>/dev/null
    [[ -n ${E2E_TMP:-} ]] && rm -rf "$E2E_TMP"
}

now_ms() {
    local t=${EPOCHREALTIME/[.,]/}
    echo $((t / 1000))
}

# stop_helper VAR: ends the helper whose process id VAR holds (a sound
# server, a compositor, a window manager, a bus) and empties VAR.
stop_helper() {
    local -n helper_pid=$1
    if [[ -n $helper_pid ]]; then
        kill "$helper_pid" 2>/dev/null
        wait "$helper_pid" 2>/dev/null
        helper_pid=
    fi
}

# --- sound ----------------------------------------------------------------

SOUND_PID=

# start_sound: a private PulseAudio daemon whose only sink is a null sink,
# so that the music goes through a real audio driver that can be watched.
start_sound() {
    local run=$E2E_TMP/pulse i
    mkdir -p -m 700 "$run"
    PULSE_RUNTIME_PATH=$run pulseaudio --daemonize=no --system=false --exit-idle-time=-1 \
        --disallow-exit=no -n --use-pid-file=no --log-target=stderr \
        --load='module-null-sink sink_name=nullsink' \
        --load="module-native-protocol-unix socket=$run/native auth-anonymous=1" \
        2>"$E2E_TMP/pulse.log" &
    SOUND_PID=$!
    export PULSE_SERVER=unix:$run/native
    unset ALSA_CONFIG_PATH
    for ((i = 0; i < 100; i++)); do
        pactl info >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "e2e: pulseaudio did not start: $(tail -n 5 "$E2E_TMP/pulse.log")" >&2
    return 1
}

stop_sound() {
    if [[ -n $SOUND_PID ]]; then
        kill -CONT "$SOUND_PID" 2>/dev/null
        kill "$SOUND_PID" 2>/dev/null
        wait "$SOUND_PID" 2>/dev/null
        SOUND_PID=
    fi
}

# no_sound: games started from now on find no sound device at all, whatever
# the machine has: no PulseAudio server and an ALSA setup with no device.
no_sound() {
    : >"$E2E_TMP/no-devices.conf"
    export PULSE_SERVER=unix:$E2E_TMP/no-such-socket
    export ALSA_CONFIG_PATH=$E2E_TMP/no-devices.conf
}

# game_streams: how many streams the running game plays into the null sink.
game_streams() {
    pactl list sink-inputs 2>/dev/null | grep -c "application.process.id = \"$GAME_PID\""
}

# --- the desktop ---------------------------------------------------------

# install_stand_in_opener RECORD: the opener the game finds first on PATH
# only writes down what it got, one argument per line, then a line "--".
install_stand_in_opener() {
    local bin=$E2E_TMP/bin record=$1
    mkdir -p "$bin"
    cat >"$bin/xdg-open" <<EOF
#!/bin/sh
for a in "\$@"; do printf '%s\n' "\$a"; done >>'$record'
echo -- >>'$record'
EOF
    chmod +x "$bin/xdg-open"
    export PATH=$bin:$PATH
}

# --- game folders --------------------------------------------------------

# make_game DIR: the executable, the help page and dat/ with the bundled
# pictures, tune and scripts.
make_game() {
    local dir=$1
    mkdir -p "$dir/dat" || return 1
    cp "$HANASHI_EXE" "$dir/hanashi" &&
        cp "$SOURCE_DIR/help/$HELP_PAGE_NAME" "$dir/" &&
        cp "$SOURCE_DIR"/dat/0[0-9].bmp "$SOURCE_DIR/dat/bgm.mid" "$SOURCE_DIR/dat/opn.dat" \
            "$SOURCE_DIR/dat/end.dat" "$dir/dat/"
}

# write_script FILE LINE...: the lines in code page 932, each ending in CR LF.
write_script() {
    local file=$1
    shift
    printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP932 >"$file"
}

# --- the game process ----------------------------------------------------

# start_game DIR: runs DIR/hanashi from another folder, so that only the
# executable's own location can lead it to its data.
start_game() {
    local dir=$1
    GAME_OUT=$dir.stdout
    GAME_ERR=$dir.stderr
    "$dir/hanashi" >"$GAME_OUT" 2>"$GAME_ERR" </dev/null &
    GAME_PID=$!
    GAME_STATUS=
    WINDOW=
}

game_running() {
    [[ -n $GAME_PID ]] || return 1
    local stat
    { read -r stat <"/proc/$GAME_PID/stat"; } 2>/dev/null || return 1
    stat=${stat##*) }
    [[ ${stat:0:1} != Z && ${stat:0:1} != X ]]
}

# wait_exit MILLISECONDS: waits for the game to end; sets GAME_STATUS and
# EXIT_MS (from the call). Fails if it is still running at the deadline.
wait_exit() {
    local start deadline
    start=$(now_ms)
    deadline=$((start + $1))
    while game_running; do
        (($(now_ms) < deadline)) || return 1
        sleep 0.01
    done
    EXIT_MS=$(($(now_ms) - start))
    wait "$GAME_PID"
    GAME_STATUS=$?
    GAME_PID=
    return 0
}

stop_game() {
    if [[ -n $GAME_PID ]]; then
        kill -KILL "$GAME_PID" 2>/dev/null
        wait "$GAME_PID" 2>/dev/null
        GAME_PID=
    fi
}

# find_window TITLE MILLISECONDS: waits for a mapped window of the game with
# exactly this title; sets WINDOW. Qt also makes an unmapped 1x1 window
# named after the program, which this never finds.
find_window() {
    local title=$1 deadline=$(($(now_ms) + $2)) ids
    while (($(now_ms) < deadline)); do
        game_running || return 1
        ids=$(xdotool search --all --onlyvisible --pid "$GAME_PID" --name "^$title\$" 2>/dev/null)
        if [[ -n $ids ]]; then
            WINDOW=${ids%%$'\n'*}
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# need_window TITLE: find_window with 10 s to spare, saying what went wrong.
need_window() {
    find_window "$1" 10000 && return 0
    if game_running; then
        bad "no window \"$1\" within 10 s"
    else
        wait_exit 0
        bad "the game ended with status $GAME_STATUS before showing a window \"$1\""
    fi
}

# --- the screen in the window's units ------------------------------------

# px UX UY: the screen point of a position in the 8 x 6 units of the client
# area, which covers the whole screen.
px() {
    awk -v x="$1" -v y="$2" -v w="$SCREEN_W" -v h="$SCREEN_H" \
        'BEGIN { printf "%d,%d\n", x * w / 8, y * h / 6 }'
}

# colours UX,UY...: one RRGGBB per point, all from one look at the screen.
colours() {
    local points=() p
    for p in "$@"; do
        points+=("$(px "${p%,*}" "${p#*,}")")
    done
    "$XPROBE" pixels "${points[@]}" | tr '\n' ' ' | sed 's/ $//'
}

# area UX UY UW UH: the same area in screen pixels, as "X Y W H".
area() {
    local a b
    a=$(px "$1" "$2")
    b=$(px "$3" "$4")
    echo "${a%,*} ${a#*,} ${b%,*} ${b#*,}"
}

# area_sum UX UY UW UH: a checksum of what the area shows.
area_sum() {
    "$XPROBE" region $(area "$@") | cut -d' ' -f1
}

# area_count UX UY UW UH RRGGBB: how many pixels of the area have the colour.
area_count() {
    "$XPROBE" region $(area "$1" "$2" "$3" "$4") "$5" | cut -d' ' -f3
}

# wait_for MILLISECONDS COMMAND...: polls until COMMAND holds while the game
# runs.
wait_for() {
    local deadline=$(($(now_ms) + $1))
    shift
    while (($(now_ms) < deadline)); do
        game_running || return 1
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

# The story label (left half, 0.2 to 3.8 across, 0.2 to 5.8 down) shows
# some text in its pink.
story_has_text() {
    (($(area_count 0.2 0.2 3.6 5.6 FFC8FF) > 0))
}

click_at() {
    local p
    p=$(px "$1" "$2")
    xdotool mousemove "${p%,*}" "${p#*,}" click 1
}

# The buttons, centred in their 0.3 x 0.3 squares at the bottom right.
click_end() { click_at 7.65 5.65; }
click_help() { click_at 7.35 5.65; }

# --- screenshots ---------------------------------------------------------

BAND=

# buttons_whole SHOT: Help and End, found in a screenshot by their flat blue
# face, are whole: all four corners of their joint face are blue, and the
# layout's margin below and right of them (0.2 units: two thirds of their
# height, a third of their joint width) shows black, so that no edge of the
# screen or of the window cuts them. Sets BAND to their "X Y W H" in pixels.
buttons_whole() {
    local shot=$1 x y w h width height seen
    BAND=$("$SHOTPROBE" band "$shot" 6464FF) || bad "no blue Help and End in $shot" || return 1
    read -r x y w h <<<"$BAND"
    read -r width height <<<"$("$SHOTPROBE" size "$shot")"
    ((y + h + h / 2 < height && x + w + w / 6 < width)) ||
        bad "Help and End at $x,$y ${w}x${h} reach the edge of the ${width}x$height screen" ||
        return 1
    # Two squares of 0.3 units side by side: twice as wide as high, give or
    # take the window's proportions.
    ((2 * w > 3 * h && w < 3 * h)) || bad "the buttons are cut: ${w}x${h} at $x,$y" || return 1
    seen=$("$SHOTPROBE" pixels "$shot" "$x,$y" "$((x + w - 1)),$y" "$x,$((y + h - 1))" \
        "$((x + w - 1)),$((y + h - 1))" "$((x + w / 2)),$((y + h + h / 2))" \
        "$((x + w + w / 6)),$((y + h / 2))" | tr '\n' ' ')
    [[ $seen == "6464FF 6464FF 6464FF 6464FF 000000 000000 " ]] ||
        bad "Help and End at $x,$y ${w}x${h} are not whole inside their margin: $seen"
}

# --- checks and cases ----------------------------------------------------

bad() {
    echo "    FAIL: $*"
    return 1
}

# expect_window_covers_screen: the game's window is at 0,0 and as large as
# the screen, so that the unit arithmetic above holds.
expect_window_covers_screen() {
    local geometry
    geometry=$(xwininfo -id "$WINDOW" | awk '/Absolute upper-left X/ {x=$NF}
        /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF}
        END {print x "," y " " w "x" h}')
    [[ $geometry == "0,0 ${SCREEN_W}x${SCREEN_H}" ]] ||
        bad "window $WINDOW is at $geometry, not covering the ${SCREEN_W}x${SCREEN_H} screen"
}

expect_quiet() {
    [[ ! -s $GAME_ERR ]] || bad "the game printed on stderr: $(head -c 600 "$GAME_ERR")"
}

# end_with_end_button: clicks End; the game must be gone with status 0 within
# a second.
end_with_end_button() {
    click_end
    wait_exit 1000 || bad "still running 1 s after the End click" || return 1
    ((GAME_STATUS == 0)) || bad "End gave exit status $GAME_STATUS, not 0"
}

# run_case NAME FUNCTION [ARG...]: runs one case; its function returns 0
# (pass), 77 (skipped, with a reason echoed) or anything else (fail). The
# game never outlives its case.
run_case() {
    local name=$1 start result
    shift
    start=$(now_ms)
    "$@"
    result=$?
    if [[ $result -ne 0 && $result -ne 77 && -n $GAME_ERR && -s $GAME_ERR ]]; then
        echo "    game's stderr: $(head -c 600 "$GAME_ERR")"
    fi
    stop_game
    local took=$(($(now_ms) - start))
    case $result in
    0)
        echo "PASS  $name (${took} ms)"
        PASSED=$((PASSED + 1))
        ;;
    77)
        echo "SKIP  $name"
        SKIPPED=$((SKIPPED + 1))
        ;;
    *)
        echo "FAIL  $name (${took} ms)"
        FAILED=$((FAILED + 1))
        FAILED_NAMES+=("$name")
        ;;
    esac
}

e2e_summary() {
    echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
    if ((FAILED > 0)); then
        printf 'failed: %s\n' "${FAILED_NAMES[@]}"
        return 1
    fi
    return 0
}
