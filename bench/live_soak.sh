#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Live soak: the real game (Release build) under Xvfb at BENCH_SCREEN (1920x1080) for ten
# minutes at its fastest: text speed 100 ms and question level 1, set through
# the window as a player would (clicks on the left arrows of the two bars, see
# bars_to_minimum in common.sh), with the music playing into a PulseAudio null
# sink. Every minute it samples the game's resident memory, peak memory,
# threads, open file descriptors and CPU time from /proc.
#
# Goals: resident memory at the end within 1 MB of that after the first
# minute; no more threads and no more file descriptors at the end than then.
# The game plays on its own: a question left unanswered times out and the
# story goes on.
#
#   bench/live_soak.sh                       # 10 minutes, a sample a minute
#   SOAK_SECONDS=120 SAMPLE_SECONDS=20 bench/live_soak.sh   # a quick try
#
# Needs: Xvfb, xdotool, pulseaudio, pactl (scripts/install-deps.sh).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SOAK_SECONDS=${SOAK_SECONDS:-600}
SAMPLE_SECONDS=${SAMPLE_SECONDS:-60}
need_build "$GAME_EXE"
need Xvfb xdotool pulseaudio pactl

start_xvfb
start_pulse

"$GAME_EXE" >"$BENCH_TMP/game.out" 2>"$BENCH_TMP/game.err" &
GAME_PID=$!
STARTED_PIDS+=("$GAME_PID")
game_window >/dev/null || { echo "live_soak: the game's window did not appear" >&2; exit 1; }
sleep 1
bars_to_minimum
streams=$(pactl list short sink-inputs | wc -l)
echo "live_soak: game pid $GAME_PID, display $DISPLAY, sound streams on the null sink: $streams"
((streams > 0)) || echo "live_soak: warning: the game has no sound stream" >&2

hz=$(getconf CLK_TCK)
start=$(now_s)
printf '%6s %10s %10s %8s %5s %8s\n' "t_s" "rss_kb" "hwm_kb" "threads" "fds" "cpu_pct"
prev_ticks=$(cpu_ticks "$GAME_PID")
prev_t=$start
samples=()
for ((t = SAMPLE_SECONDS; t <= SOAK_SECONDS; t += SAMPLE_SECONDS)); do
    # Sleeps to the planned sampling moment, so that delays do not add up.
    target=$(awk -v s="$start" -v t="$t" 'BEGIN { printf "%.3f", s + t }')
    sleep "$(awk -v a="$target" -v b="$(now_s)" 'BEGIN { d = a - b; printf "%.3f", (d > 0 ? d : 0) }')"
    kill -0 "$GAME_PID" 2>/dev/null || { echo "live_soak: the game ended by itself" >&2; exit 1; }
    now=$(now_s)
    ticks=$(cpu_ticks "$GAME_PID")
    rss=$(status_field "$GAME_PID" VmRSS)
    hwm=$(status_field "$GAME_PID" VmHWM)
    threads=$(status_field "$GAME_PID" Threads)
    fds=$(fd_count "$GAME_PID")
    cpu=$(awk -v d=$((ticks - prev_ticks)) -v hz="$hz" -v w="$(awk -v a="$now" -v b="$prev_t" \
        'BEGIN { printf "%.3f", a - b }')" 'BEGIN { printf "%.2f", 100 * d / hz / w }')
    printf '%6d %10d %10d %8d %5d %8s\n' "$t" "$rss" "$hwm" "$threads" "$fds" "$cpu"
    samples+=("$rss $threads $fds")
    prev_ticks=$ticks
    prev_t=$now
done

end_game "$GAME_PID"
if [[ -s $BENCH_TMP/game.err ]]; then
    echo "live_soak: the game wrote to stderr:" >&2
    head -n 20 "$BENCH_TMP/game.err" >&2
fi

read -r rss1 threads1 fds1 <<<"${samples[0]}"
read -r rssN threadsN fdsN <<<"${samples[-1]}"
growth=$((rssN - rss1))
verdict() { if (($1)); then echo met; else echo MISSED; fi; }
echo "rss growth after the first sample: ${growth} kB (goal <= 1024 kB): $(verdict $((growth <= 1024)))"
echo "threads ${threads1} -> ${threadsN}: $(verdict $((threadsN <= threads1)))"
echo "fds ${fds1} -> ${fdsN}: $(verdict $((fdsN <= fds1)))"
echo "exit status after End: $END_STATUS (goal 0)"
