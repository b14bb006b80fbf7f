#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up of the real game (Release build) against the floor: a bare Qt
# Widgets program that shows one line of Japanese in IPAGothic over the screen
# (bench/floor/startup_floor.cpp). Both run under one Xvfb at BENCH_SCREEN (1920x1080) with
# no window manager, measured the same way from outside by bench/probe/
# first_frame.cpp:
#
# - time to the first painted frame: from just before the process is forked
#   to the first X DAMAGE report on its window after which the window's pixels
#   hold more than one colour (an unpainted window is one colour: the black
#   root of Xvfb -br). The watch is set on each top-level window as soon as it
#   is created, so no drawing can slip past it, and the same rule serves both
#   programs whatever they draw;
# - peak RSS: VmHWM from /proc/<pid>/status, read STARTUP_SETTLE_MS (2000)
#   after that frame, so that the game's first story line (1500 ms) and the
#   music's start are inside it;
# - then a close request (WM_DELETE_WINDOW, as a window manager sends it); both
#   must end with status 0.
#
# The game runs twice per round: with the music playing into a PulseAudio null
# sink, and with no sound device at all (no server, ALSA without a device).
# Runs are interleaved (floor, game, game without sound, rotating the order
# each round) after one discarded warm-up of each, and medians are reported
# with the ratios of the game's to the floor's.
#
# Goals: the game's first frame within 1.5 x the floor's, with and without
# music; its peak RSS within 20 MiB of the floor's without sound and within
# 25 MiB with music.
#
#   bench/startup.sh                  # 15 rounds
#   STARTUP_RUNS=5 bench/startup.sh   # a quick try
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

RUNS=${STARTUP_RUNS:-15}
SETTLE_MS=${STARTUP_SETTLE_MS:-2000}
FLOOR_EXE=$BUILD/bench/startup_floor
PROBE=$BUILD/bench/first_frame
need_build "$GAME_EXE" "$FLOOR_EXE" "$PROBE"

start_xvfb
start_pulse

RESULTS=$BENCH_TMP/results
: >"$RESULTS"

# run_one KIND: one measured start; appends "KIND ms peak_kb status".
run_one() {
    local kind=$1 line
    local probe=("$PROBE" --settle "$SETTLE_MS")
    case $kind in
    floor) line=$("${probe[@]}" --title startup_floor -- "$FLOOR_EXE" 2>>"$BENCH_TMP/err") ;;
    game) line=$("${probe[@]}" --title Form1 -- "$GAME_EXE" 2>>"$BENCH_TMP/err") ;;
    game_silent)
        line=$(env "${NO_SOUND_ENV[@]}" "${probe[@]}" --title Form1 -- "$GAME_EXE" 2>>"$BENCH_TMP/err")
        ;;
    base) line=$("${probe[@]}" --title Form1 -- "$BASELINE_EXE" 2>>"$BENCH_TMP/err") ;;
    base_silent)
        line=$(env "${NO_SOUND_ENV[@]}" "${probe[@]}" --title Form1 -- "$BASELINE_EXE" \
            2>>"$BENCH_TMP/err")
        ;;
    esac || true
    local ms kb status
    ms=$(sed -n 's/.*first_frame_ms=\([-0-9.]*\).*/\1/p' <<<"$line")
    kb=$(sed -n 's/.*peak_rss_kb=\([-0-9]*\).*/\1/p' <<<"$line")
    status=$(sed -n 's/.*status=\([-0-9]*\).*/\1/p' <<<"$line")
    echo "$kind ${ms:-nan} ${kb:-nan} ${status:-nan}" >>"$RESULTS"
}

kinds=(floor game game_silent)
# An earlier build beside this one, in the same rounds.
if [[ -n $BASELINE_EXE ]]; then
    need_build "$BASELINE_EXE"
    kinds+=(base base_silent)
fi
for kind in "${kinds[@]}"; do
    run_one "$kind"
done
: >"$RESULTS" # the warm-ups only fill the caches

for ((r = 0; r < RUNS; r++)); do
    for ((k = 0; k < ${#kinds[@]}; k++)); do
        run_one "${kinds[(r + k) % ${#kinds[@]}]}"
    done
done

range() { # min..max of the numbers on stdin
    sort -g | sed -n '1p;$p' | paste -sd' ' | awk '{ print $1 ".." ($2 == "" ? $1 : $2) }'
}

column_of() { # KIND FIELD
    awk -v k="$1" -v f="$2" '$1 == k { print $f }' "$RESULTS"
}

echo "runs per program: $RUNS (interleaved), settle ${SETTLE_MS} ms, screen ${SCREEN_W}x${SCREEN_H}"
printf '%-12s %12s %12s %14s %14s %s\n' program first_ms_med "(min..max)" peak_rss_kb_med \
    "(min..max)" "statuses"
for kind in "${kinds[@]}"; do
    ms=$(column_of "$kind" 2 | median)
    kb=$(column_of "$kind" 3 | median)
    msr=$(column_of "$kind" 2 | range)
    kbr=$(column_of "$kind" 3 | range)
    statuses=$(column_of "$kind" 4 | sort | uniq -c |
        awk '{ printf "%s%sx%s", (NR > 1 ? "," : ""), $1, $2 }')
    printf '%-12s %12s %12s %14s %14s %s\n' "$kind" "$ms" "($msr)" "$kb" "($kbr)" "$statuses"
    eval "MS_$kind=$ms KB_$kind=$kb"
done

verdict() { if (($1)); then echo met; else echo MISSED; fi; }
for kind in "${kinds[@]:1}"; do
    ms_var=MS_$kind kb_var=KB_$kind
    rss_goal=25
    [[ $kind == *_silent ]] && rss_goal=20
    awk -v g="${!ms_var}" -v f="$MS_floor" -v gk="${!kb_var}" -v fk="$KB_floor" -v k="$kind" \
        -v rg="$rss_goal" \
        'BEGIN { printf "%s: first frame %.2f x the floor'"'"'s (goal <= 1.5), peak RSS %+.1f MiB (goal <= %d)\n",
                 k, g / f, (gk - fk) / 1024, rg }'
    ratio_ok=$(awk -v g="${!ms_var}" -v f="$MS_floor" 'BEGIN { print (g <= 1.5 * f) }')
    rss_ok=$(awk -v g="${!kb_var}" -v f="$KB_floor" -v rg="$rss_goal" 'BEGIN { print (g - f <= rg * 1024) }')
    echo "  time: $(verdict "$ratio_ok"), memory: $(verdict "$rss_ok")"
done
if grep -q . "$BENCH_TMP/err"; then
    echo "messages from the runs:" >&2
    sort "$BENCH_TMP/err" | uniq -c | head -n 10 >&2
fi
