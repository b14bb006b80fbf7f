# SPDX-License-Identifier: MIT
# Sourced by the benchmark scripts: a private X server (BENCH_SCREEN, default
# 1920x1080), an
# optional PulseAudio daemon with a null sink, a "no sound device" setting,
# process figures from /proc, medians, and cleanup of everything started here
# (by process id, nothing else).
#
# BUILD (default build/bench beside this folder) holds a Release build made
# with -DHANASHI_BUILD_BENCH=ON. BASELINE_EXE, if set, is another build's
# hanashi (an earlier commit's, say) that the scripts that support it
# measure side by side with this one, interleaved in the same run.

set -euo pipefail

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SOURCE_DIR=$(cd "$BENCH_DIR/.." && pwd)
BUILD=${BUILD:-$SOURCE_DIR/build/bench}
GAME_EXE=$BUILD/hanashi
BENCH_SCREEN=${BENCH_SCREEN:-1920x1080}
SCREEN_W=${BENCH_SCREEN%x*}
SCREEN_H=${BENCH_SCREEN#*x}
BASELINE_EXE=${BASELINE_EXE:-}

STARTED_PIDS=()
BENCH_TMP=$(mktemp -d "${TMPDIR:-/tmp}/hanashi-bench.XXXXXX")

bench_cleanup() {
    local pid
    for pid in "${STARTED_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${STARTED_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$BENCH_TMP"
}
trap bench_cleanup EXIT
trap 'exit 130' INT TERM

# A desktop session has a private runtime folder and a home; the game reads
# no settings, but Qt would complain without the first.
export XDG_RUNTIME_DIR=$BENCH_TMP/runtime HOME=$BENCH_TMP/home
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"

need() {
    local missing=() tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if ((${#missing[@]})); then
        echo "$(basename "$0"): missing ${missing[*]}; run scripts/install-deps.sh" >&2
        exit 2
    fi
}

need_build() {
    local f
    for f in "$@"; do
        if [[ ! -x $f ]]; then
            echo "$(basename "$0"): no $f; build first:" >&2
            echo "  cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release" \
                "-DHANASHI_BUILD_BENCH=ON -DHANASHI_BUILD_TESTS=OFF && cmake --build build/bench -j2" >&2
            exit 2
        fi
    done
}

# Xvfb on a free display number, BENCH_SCREEN, black root, no window manager.
start_xvfb() {
    need Xvfb xdotool
    local fdfile=$BENCH_TMP/display
    Xvfb -displayfd 3 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -br -nolisten tcp -noreset \
        3>"$fdfile" 2>"$BENCH_TMP/xvfb.log" &
    XVFB_PID=$!
    STARTED_PIDS+=("$XVFB_PID")
    local i
    for ((i = 0; i < 100; i++)); do
        [[ -s $fdfile ]] && break
        sleep 0.05
    done
    [[ -s $fdfile ]] || { echo "Xvfb did not start:" >&2; cat "$BENCH_TMP/xvfb.log" >&2; exit 2; }
    export DISPLAY=:$(head -n1 "$fdfile")
}

# A user PulseAudio daemon whose default sink is a null sink; PULSE_SERVER
# points the game at it.
start_pulse() {
    need pulseaudio pactl
    local run=$BENCH_TMP/pulse
    mkdir -p -m 700 "$run"
    PULSE_RUNTIME_PATH=$run pulseaudio --daemonize=no --system=false --exit-idle-time=-1 \
        --disallow-exit=no -n --use-pid-file=no --log-target=stderr \
        --load='module-null-sink sink_name=nullsink' \
        --load="module-native-protocol-unix socket=$run/native auth-anonymous=1" \
        2>"$BENCH_TMP/pulse.log" &
    PULSE_PID=$!
    STARTED_PIDS+=("$PULSE_PID")
    export PULSE_SERVER=unix:$run/native
    local i
    for ((i = 0; i < 100; i++)); do
        pactl info >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "pulseaudio did not start:" >&2
    cat "$BENCH_TMP/pulse.log" >&2
    exit 2
}

stop_pulse() {
    if [[ -n ${PULSE_PID:-} ]]; then
        kill "$PULSE_PID" 2>/dev/null || true
        wait "$PULSE_PID" 2>/dev/null || true
        PULSE_PID=
    fi
}

# No sound device: no PulseAudio server to reach and an ALSA configuration
# that defines no device, whatever the machine has. Use as
#   env "${NO_SOUND_ENV[@]}" PROGRAM &
# so that $! is the program itself.
: >"$BENCH_TMP/empty-alsa.conf"
NO_SOUND_ENV=(PULSE_SERVER=unix:$BENCH_TMP/no-such-socket ALSA_CONFIG_PATH=$BENCH_TMP/empty-alsa.conf)

# CPU time of a process and all its threads, in clock ticks.
cpu_ticks() {
    local stat
    stat=$(<"/proc/$1/stat") || return 1
    # The name may hold spaces; the fields after it do not.
    stat=${stat##*) }
    read -r -a f <<<"$stat"
    # utime and stime are fields 14 and 15, here 11 and 12 (0-based).
    echo $((f[11] + f[12]))
}

status_field() { # PID FIELD -> the number in /proc/PID/status
    awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"
}

fd_count() {
    find "/proc/$1/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l
}

# The median of the numbers on stdin, one a line.
median() {
    sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "nan"; exit }
        if (NR % 2) print v[(NR + 1) / 2]; else printf "%.6g\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

now_s() {
    echo "${EPOCHREALTIME/,/.}"
}

# --- the game's window ---------------------------------------------------

# The game's window fills the screen (no window manager), and its client
# area is 8 x 6 units.
ux() { awk -v u="$1" -v w="$SCREEN_W" 'BEGIN { printf "%d", u * w / 8 }'; }
uy() { awk -v u="$1" -v h="$SCREEN_H" 'BEGIN { printf "%d", u * h / 6 }'; }

# Waits for the game's window; prints its id.
game_window() {
    timeout 20 xdotool search --sync --onlyvisible --name '^Form1$' | head -n1
}

click_units() { # X Y in the window's units
    xdotool mousemove "$(ux "$1")" "$(uy "$2")" click 1
}

# The bars run from x 5.2 to 7.8 units; their left arrow moves the value by
# the small change (10 for the text speed, 1 for the level) and never past the
# minimum, so enough clicks on it set the minimum whatever the value was.
# Text speed LBlHscl: y 5.0 to 5.2; level QstHscl: y 4.8 to 5.0.
bars_to_minimum() {
    local x y
    x=$(($(ux 5.2) + 6))
    for y in "$(uy 5.1)" "$(uy 4.9)"; do
        xdotool mousemove "$x" "$y"
        # 1500 down to 100 in tens is 140 clicks; the level needs 9.
        xdotool click --repeat 160 --delay 8 1
    done
    # Away from the bars, so that nothing is held or hovered.
    xdotool mousemove 10 10
}

# Clicks "End" (7.5 to 7.8, 5.5 to 5.8) and waits for the game to end; sets
# END_STATUS to its exit status (124 if it did not end within 10 s). Not for
# $(...): only this shell can wait for its child.
end_game() {
    local pid=$1 i
    click_units 7.65 5.65
    for ((i = 0; i < 200; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    END_STATUS=0
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        END_STATUS=124
        return
    fi
    wait "$pid" || END_STATUS=$?
}
