#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# How long each loop of a tune lasts in what the player hears: the real game
# under Xvfb plays tunes written byte by byte (bench/loop_tunes.py) into a
# PulseAudio null sink, parec records the sink, and loop_onsets measures the
# time from one loop's start to the next. The game plays from a copy of its
# folder whose dat/bgm.mid is the tune. For a tune the game must refuse, it
# reports whether anything was heard, and what hanashi-check says of it.
#
#   bench/loop_periods.sh                          # every tune but the longest
#   LOOP_LONG=1 bench/loop_periods.sh              # and the three-minute one
#   bench/loop_periods.sh tenth.mid rmid.mid       # those only
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

need parec python3
need_build "$GAME_EXE" "$BUILD/bench/loop_onsets" "$BUILD/hanashi-check"
start_xvfb
start_pulse

tunes=$BENCH_TMP/tunes
mapfile -t lines < <(python3 "$BENCH_DIR/loop_tunes.py" "$tunes" "$@")
for line in "${lines[@]}"; do
    read -r name period <<<"$line"
    [[ $name == three-minutes.mid && -z ${LOOP_LONG:-} && $# -eq 0 ]] && continue
    game=$BENCH_TMP/game-${name%.mid}
    mkdir -p "$game"
    cp "$GAME_EXE" "$game/"
    cp -r "$BUILD/dat" "$game/dat"
    cp "$tunes/$name" "$game/dat/bgm.mid"
    # Enough loops to see a steady period (two of a long piece), and at least
    # a few seconds.
    seconds=$(awk -v p="$period" 'BEGIN { s = (p == "refused") ? 6 : (p < 20 ? 6 * p + 2 : 2 * p + 5); if (s < 6) s = 6; print s }')
    raw=$BENCH_TMP/${name%.mid}.raw
    parec --device=nullsink.monitor --raw --format=s16le --rate=44100 --channels=1 >"$raw" &
    recorder=$!
    STARTED_PIDS+=("$recorder")
    "$game/hanashi" >/dev/null 2>>"$BENCH_TMP/err" &
    pid=$!
    STARTED_PIDS+=("$pid")
    game_window >/dev/null || { echo "loop_periods: the game's window did not appear" >&2; exit 1; }
    sleep "$seconds"
    end_game "$pid"
    kill "$recorder"
    wait "$recorder" 2>/dev/null || true
    if [[ $period == refused ]]; then
        heard=$("$BUILD/bench/loop_onsets" "$raw" 1 | tail -n1 || true)
        echo "$name: should be refused; heard: $heard; End status $END_STATUS"
        "$BUILD/hanashi-check" "$game" | grep bgm.mid || true
        continue
    fi
    echo "$name: should loop every $period s; End status $END_STATUS"
    "$BUILD/bench/loop_onsets" "$raw" "$period" | tail -n1 || true
done
