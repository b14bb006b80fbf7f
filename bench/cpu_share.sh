#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The game's share of one core while it plays on its own at the start-up
# settings (text speed 1500 ms, level 10), under Xvfb at BENCH_SCREEN (1920x1080):
#
# - with sound: the music synthesised into a PulseAudio null sink (a user
#   daemon started here; its own share and the X server's are shown beside);
# - without a sound device: no PulseAudio server to reach and ALSA with a
#   configuration that defines no device, so the game runs silent.
#
# The share is the growth of utime + stime in /proc/<pid>/stat (all threads)
# over CPU_SHARE_SECONDS (60) of wall time, counted from CPU_SHARE_WARMUP (5)
# seconds after the window appeared. The two cases alternate, CPU_SHARE_RUNS
# (3) times each, and the medians are reported.
#
# Goals: at most 1.0 % of a core without sound; with sound, the game and the
# sound server together at most 2.0 %.
#
#   bench/cpu_share.sh
#   CPU_SHARE_SECONDS=15 CPU_SHARE_RUNS=1 bench/cpu_share.sh   # a quick try
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SECONDS_PER_RUN=${CPU_SHARE_SECONDS:-60}
RUNS=${CPU_SHARE_RUNS:-3}
WARMUP=${CPU_SHARE_WARMUP:-5}
need_build "$GAME_EXE"

start_xvfb
start_pulse
HZ=$(getconf CLK_TCK)
RESULTS=$BENCH_TMP/results
: >"$RESULTS"

share() { # TICKS SECONDS -> percent of one core
    awk -v t="$1" -v hz="$HZ" -v s="$2" 'BEGIN { printf "%.3f", 100 * t / hz / s }'
}

# run_one MODE: one measured run; appends "MODE game% pulse% xvfb% streams status".
run_one() {
    local mode=$1 exe=$GAME_EXE
    [[ $mode == base_* ]] && exe=$BASELINE_EXE
    if [[ $mode == sound || $mode == base_sound ]]; then
        "$exe" >/dev/null 2>>"$BENCH_TMP/err" &
    else
        env "${NO_SOUND_ENV[@]}" "$exe" >/dev/null 2>>"$BENCH_TMP/err" &
    fi
    local pid=$!
    STARTED_PIDS+=("$pid")
    game_window >/dev/null || { echo "cpu_share: the game's window did not appear" >&2; exit 1; }
    sleep "$WARMUP"
    local streams
    streams=$(pactl list short sink-inputs | wc -l)
    local g0 p0 x0 t0 g1 p1 x1 t1
    g0=$(cpu_ticks "$pid") p0=$(cpu_ticks "$PULSE_PID") x0=$(cpu_ticks "$XVFB_PID") t0=$(now_s)
    sleep "$SECONDS_PER_RUN"
    g1=$(cpu_ticks "$pid") p1=$(cpu_ticks "$PULSE_PID") x1=$(cpu_ticks "$XVFB_PID") t1=$(now_s)
    local wall
    wall=$(awk -v a="$t1" -v b="$t0" 'BEGIN { printf "%.3f", a - b }')
    end_game "$pid"
    echo "$mode $(share $((g1 - g0)) "$wall") $(share $((p1 - p0)) "$wall")" \
        "$(share $((x1 - x0)) "$wall") $streams $END_STATUS" | tee -a "$RESULTS"
}

echo "$RUNS runs of ${SECONDS_PER_RUN} s per case, alternating; mode game% pulseaudio% Xvfb% streams status"
modes=(sound silent)
if [[ -n $BASELINE_EXE ]]; then
    need_build "$BASELINE_EXE"
    modes+=(base_sound base_silent)
fi
# Each round rotates the order, so that no mode always follows another.
for ((r = 0; r < RUNS; r++)); do
    for ((m = 0; m < ${#modes[@]}; m++)); do
        run_one "${modes[(r + m) % ${#modes[@]}]}"
    done
done

med() { awk -v m="$1" -v f="$2" '$1 == m { print $f }' "$RESULTS" | median; }
verdict() { if (($1)); then echo met; else echo MISSED; fi; }
sound=$(med sound 2)
silent=$(med silent 2)
pulse=$(med sound 3)
# The median of the runs' sums, not the sum of the medians.
both=$(awk '$1 == "sound" { printf "%.3f\n", $2 + $3 }' "$RESULTS" | median)
echo "median share of one core:"
echo "  without a sound device, game:               ${silent} % (goal <= 1.0): $(verdict "$(awk -v v="$silent" 'BEGIN { print (v <= 1.0) }')")" \
    "  [Xvfb $(med silent 4) %]"
echo "  with sound, game + sound server: ${both} % (game ${sound}, server ${pulse}) (goal <= 2.0): $(verdict "$(awk -v v="$both" 'BEGIN { print (v <= 2.0) }')")" \
    "  [Xvfb $(med sound 4) %]"
if [[ -n $BASELINE_EXE ]]; then
    echo "baseline ($BASELINE_EXE): without $(med base_silent 2) %, with sound $(med base_sound 2)" \
        "+ $(med base_sound 3) % [pulseaudio]"
fi
if awk '($1 ~ /sound$/ && $5 < 1) || ($1 ~ /silent$/ && $5 > 0) || $6 != 0 { bad = 1 } END { exit !bad }' "$RESULTS"; then
    echo "cpu_share: a run had the wrong sound streams or a non-zero exit status (see above)" >&2
    exit 1
fi
