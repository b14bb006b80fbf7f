#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Broken game folders. Each case breaks one file of a good copy and the real
# game must either play on (window up, nothing on stderr, End gives 0 at
# once) or show a message box titled "hanashi" that names the file, print
# the same on stderr, and end with a failure status once the box is
# dismissed. Never a crash signal, never a hang.
#
#   run-xvfb.sh bad_files_test.sh HANASHI-EXE XPROBE-EXE SOURCE-DIR

source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

# The music goes to a real audio driver, so that a broken tune meets the
# player, the driver and their teardown, not only the file check.
start_sound || exit 2

# --- breakers: each gets the dat/ folder of a good game -------------------

# The control: nothing broken.
intact() { :; }

opn_blank_lines() { write_script "$1/opn.dat" "" "" ""; }
opn_zero_bytes() { : >"$1/opn.dat"; }
opn_question_only() { write_script "$1/opn.dat" "*a question with no answer line"; }
opn_missing() { rm "$1/opn.dat"; }
opn_folder() { rm "$1/opn.dat" && mkdir "$1/opn.dat"; }
opn_unreadable() { chmod 000 "$1/opn.dat"; }

# A bad trail byte, an unassigned code, bytes no code uses, and a lead byte
# left alone at the very end.
opn_invalid_cp932() {
    printf 'A\x81\x20B\r\n\x85\x40\r\n\x80\xa0\xfd\xfe\xff\r\n\x82\xa0\x82' >"$1/opn.dat"
}

# One line of 10 MB (あい over and over), then a short one.
opn_ten_mb_line() {
    { yes $'\x82\xa0\x82\xa2' | tr -d '\n' | head -c 10485760; printf '\r\nshort\r\n'; } \
        >"$1/opn.dat"
}

# 64 KB of bytes of every value, NUL, CR and LF among them, from a fixed seed.
opn_binary_garbage() {
    LC_ALL=C awk 'BEGIN { srand(932); for (i = 0; i < 65536; i++) printf "%c", int(rand() * 256) }' \
        >"$1/opn.dat"
}

# Files that are no plain file: a named pipe that nobody writes to would keep
# a reader waiting for good, and an endless device would fill the memory.
opn_named_pipe() { rm "$1/opn.dat" && mkfifo "$1/opn.dat"; }
opn_dev_zero() { ln -sf /dev/zero "$1/opn.dat"; }

# A plain script of some hundred MB, made here and never stored: the game
# reads only what it shows, so its memory must not grow with the file. The
# checker walks all of it, in bounded memory too. Under the sanitizers memory
# figures mean nothing (shadow memory, quarantine): the preset sets a smaller
# file and HANASHI_E2E_NO_PEAK_CHECK.
HUGE_MB=${HANASHI_E2E_HUGE_MB:-300}
PEAK_CHECK=$([[ -n ${HANASHI_E2E_NO_PEAK_CHECK:-} ]] && echo no || echo yes)
opn_huge() {
    local line
    line=$(printf '長い長い話の一行、まだまだ続く。' | iconv -f UTF-8 -t CP932) || return 1
    yes "$line"$'\r' | head -c $((HUGE_MB * 1024 * 1024)) >"$1/opn.dat"
    (($(stat -c %s "$1/opn.dat") == HUGE_MB * 1024 * 1024))
}

# The header stays whole, half the pixel rows are gone.
bmp_truncated() {
    local size
    size=$(stat -c %s "$1/03.bmp")
    truncate -s $((size / 2)) "$1/03.bmp"
}
bmp_cut_in_header() { truncate -s 20 "$1/03.bmp"; }
bmp_wrong_magic() { printf 'XX' | dd of="$1/03.bmp" conv=notrunc status=none; }
# "BM" but an info header size no reader knows.
bmp_wrong_header_size() { printf '\x07\x00\x00\x00' | dd of="$1/03.bmp" bs=1 seek=14 conv=notrunc status=none; }
# A valid 2 x 2 PNG under the bitmap's name.
bmp_is_png() {
    printf '\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x02\x00\x00\x00\x02\x08\x02\x00\x00\x00\xfd\xd4\x9a\x73\x00\x00\x00\x10IDAT\x78\xda\x63\xf8\xcf\xc0\x00\x44\x0c\x10\x0a\x00\x1f\xee\x03\xfd\x63\x5e\xbb\x5b\x00\x00\x00\x00IEND\xae\x42\x60\x82' \
        >"$1/03.bmp"
}
bmp_missing() { rm "$1/05.bmp"; }
bmp_named_pipe() { rm "$1/03.bmp" && mkfifo "$1/03.bmp"; }
bmp_dev_zero() { ln -sf /dev/zero "$1/03.bmp"; }

mid_zero_bytes() { : >"$1/bgm.mid"; }
# The header and the start of the track, the rest cut off.
mid_truncated() {
    local size
    size=$(stat -c %s "$1/bgm.mid")
    truncate -s $((size / 2)) "$1/bgm.mid"
}
mid_text() { printf 'This is not a tune.\r\nNor is this line.\r\n' >"$1/bgm.mid"; }
mid_missing() { rm "$1/bgm.mid"; }
mid_named_pipe() { rm "$1/bgm.mid" && mkfifo "$1/bgm.mid"; }
mid_dev_zero() { ln -sf /dev/zero "$1/bgm.mid"; }

# SoundFonts beside the tune come first; ones that cannot be used are passed
# over for the system's, and FluidSynth's complaints stay off the terminal.
sf_corrupt() { { printf 'RIFF\xff\xff\x00\x00sfbkLIST'; head -c 4096 /dev/urandom; } >"$1/a.sf2"; }
sf_named_pipe() { mkfifo "$1/a.sf2"; }

# --- the two outcomes ----------------------------------------------------

# Nothing crashed, nothing asked: the game stays up past its first script
# lines (the reader ticks every 1.5 s), then End still answers at once.
expect_plays() {
    local name=$1
    need_window Form1 || return 1
    local until=$(($(now_ms) + 2500))
    while (($(now_ms) < until)); do
        game_running || { wait_exit 0; bad "the game ended by itself, status $GAME_STATUS"; return 1; }
        if xdotool search --all --onlyvisible --pid "$GAME_PID" --name '^hanashi$' >/dev/null; then
            bad "a message box came up: $(head -c 300 "$GAME_ERR")"
            return 1
        fi
        sleep 0.1
    done
    # Music is heard only from a tune that is whole. Its load reads every
    # instrument the tune uses at the lowest priority, which on a busy
    # machine may take seconds.
    if [[ $name == intact || $name == sf_* || $name == opn_huge ]]; then
        wait_for 15000 eval '(($(game_streams) == 1))' ||
            bad "the game plays no music into the sink" || return 1
    elif [[ $name == mid_* ]]; then
        (($(game_streams) == 0)) || bad "a stream plays into the sink from a broken tune" || return 1
    fi
    expect_quiet || return 1
    PEAK_KB=$(peak_rss_kb)
    [[ $name == intact ]] && INTACT_PEAK_KB=$PEAK_KB
    end_with_end_button
}

INTACT_PEAK_KB=
PEAK_KB=

# The game's peak resident memory so far, in kB.
peak_rss_kb() {
    awk '/^VmHWM:/ {print $2}' "/proc/$GAME_PID/status" 2>/dev/null
}

# The huge script plays like the intact game, and the game's memory stays
# within 20 MB of the intact game's: the file is some hundred MB.
expect_huge_plays() {
    expect_plays opn_huge || return 1
    [[ -n $INTACT_PEAK_KB ]] || bad "no peak memory of the intact game to compare with" || return 1
    echo "    peak RSS: ${PEAK_KB} kB with a ${HUGE_MB} MB script, ${INTACT_PEAK_KB} kB intact"
    [[ $PEAK_CHECK == no ]] || ((PEAK_KB <= INTACT_PEAK_KB + 20 * 1024)) ||
        bad "peak RSS ${PEAK_KB} kB, more than 20 MB over the intact game's" || return 1
    local check status peak
    check=$(dirname "$HANASHI_EXE")/hanashi-check
    [[ -x $check ]] || { echo "    (no hanashi-check beside the game: not checked)"; return 0; }
    /usr/bin/time -f %M -o "$E2E_TMP/check.peak" timeout 600 "$check" "$E2E_TMP/opn_huge" \
        >"$E2E_TMP/check.out" 2>&1
    status=$?
    peak=$(tail -n 1 "$E2E_TMP/check.peak")
    echo "    hanashi-check: status $status, peak RSS ${peak} kB, $(tail -n 1 "$E2E_TMP/check.out")"
    # One finding: the script never branches. What matters is that it ends.
    ((status == 1)) && grep -q 'no branch line' "$E2E_TMP/check.out" ||
        bad "hanashi-check said otherwise: $(head -c 600 "$E2E_TMP/check.out")" || return 1
    [[ $PEAK_CHECK == no ]] || ((peak <= 100 * 1024)) ||
        bad "hanashi-check needed ${peak} kB for the huge script"
}

# --- the machine -----------------------------------------------------------

# No display at all, or one that cannot be reached: one line on stderr
# naming the variables, status 1, never a signal.
no_display() {
    local dir=$E2E_TMP/no_display display=$1
    make_game "$dir" || bad "could not make the game folder" || return 1
    if [[ $display == none ]]; then
        env -u DISPLAY -u WAYLAND_DISPLAY "$dir/hanashi" >"$dir.stdout" 2>"$dir.stderr" </dev/null &
    else
        env -u WAYLAND_DISPLAY DISPLAY=:$display "$dir/hanashi" >"$dir.stdout" 2>"$dir.stderr" \
            </dev/null &
    fi
    GAME_PID=$!
    GAME_ERR=$dir.stderr
    wait_exit 10000 || bad "still running 10 s after starting without a display" || return 1
    ((GAME_STATUS == 1)) || bad "exit status $GAME_STATUS, not 1" || return 1
    (($(wc -l <"$GAME_ERR") == 1)) || bad "not one line on stderr: $(head -c 600 "$GAME_ERR")" ||
        return 1
    grep -q DISPLAY "$GAME_ERR" && grep -q WAYLAND_DISPLAY "$GAME_ERR" ||
        bad "stderr names neither variable: $(cat "$GAME_ERR")" || return 1
    echo "    said: $(cat "$GAME_ERR")"
}

# start_playing NAME: the intact game in a folder of that name, up and
# playing its music into the sink.
start_playing() {
    make_game "$E2E_TMP/$1" || bad "could not make the game folder" || return 1
    start_game "$E2E_TMP/$1"
    need_window Form1 || return 1
    wait_for 10000 eval '(($(game_streams) == 1))' || bad "no music within 10 s"
}

# Another program destroys the window outright: the game ends as on a
# close, the music stopped, status 0.
window_destroyed() {
    start_playing window_destroyed || return 1
    xdotool windowclose "$WINDOW"
    wait_exit 1000 || bad "still running 1 s after the window was destroyed" || return 1
    ((GAME_STATUS == 0)) || bad "exit status $GAME_STATUS, not 0"
}

# The sound server goes away in the middle of the game: the game plays on,
# silent and quiet, and End still answers at once.
sound_server_gone() {
    start_playing sound_server_gone || return 1
    kill -KILL "$SOUND_PID" && wait "$SOUND_PID" 2>/dev/null
    SOUND_PID=
    local until=$(($(now_ms) + 2500))
    while (($(now_ms) < until)); do
        game_running || { wait_exit 0; bad "the game ended, status $GAME_STATUS"; return 1; }
        sleep 0.1
    done
    expect_quiet || return 1
    end_with_end_button
}

# A message box titled "hanashi", the file named on stderr, a failure status
# after Return dismisses the box.
expect_error() {
    local file=$1
    need_window hanashi || return 1
    grep -qF -- "$file" "$GAME_ERR" || bad "stderr does not name $file: $(head -c 300 "$GAME_ERR")" ||
        return 1
    (($(wc -l <"$GAME_ERR") == 1)) || bad "more than the message on stderr: $(head -c 600 "$GAME_ERR")" ||
        return 1
    # No window manager gives the box the focus; it is given by hand.
    xdotool windowfocus --sync "$WINDOW" key Return
    wait_exit 3000 || bad "still running 3 s after Return on the message box" || return 1
    ((GAME_STATUS != 0)) || bad "exit status 0 after an error" || return 1
    ((GAME_STATUS < 128)) || bad "ended by signal $((GAME_STATUS - 128))" || return 1
    echo "    said: $(head -n 1 "$GAME_ERR" | sed "s|$E2E_TMP/||g")"
}

check_case() {
    local breaker=$1 expected=$2 file=$3 dir=$E2E_TMP/$1
    if [[ $breaker == opn_unreadable && $(id -u) -eq 0 ]]; then
        echo "    skipped: root reads a file of mode 000 all the same"
        return 77
    fi
    make_game "$dir" || bad "could not make the game folder" || return 1
    "$breaker" "$dir/dat" || bad "could not break the folder" || return 1
    start_game "$dir"
    if [[ $breaker == opn_huge ]]; then
        expect_huge_plays
    elif [[ $expected == plays ]]; then
        expect_plays "$breaker"
    else
        expect_error "$dir/dat/$file"
    fi
}

# breaker             expected  file named
cases=(
    "intact                 plays   -"
    "opn_blank_lines        plays   -"
    "opn_zero_bytes         plays   -"
    "opn_question_only      plays   -"
    "opn_invalid_cp932      plays   -"
    "opn_ten_mb_line        plays   -"
    "opn_binary_garbage     plays   -"
    "opn_huge               plays   -"
    "opn_missing            error   opn.dat"
    "opn_folder             error   opn.dat"
    "opn_unreadable         error   opn.dat"
    "opn_named_pipe         error   opn.dat"
    "opn_dev_zero           error   opn.dat"
    "bmp_truncated          error   03.bmp"
    "bmp_cut_in_header      error   03.bmp"
    "bmp_wrong_magic        error   03.bmp"
    "bmp_wrong_header_size  error   03.bmp"
    "bmp_is_png             error   03.bmp"
    "bmp_missing            error   05.bmp"
    "bmp_named_pipe         error   03.bmp"
    "bmp_dev_zero           error   03.bmp"
    "mid_zero_bytes         plays   -"
    "mid_truncated          plays   -"
    "mid_text               plays   -"
    "mid_missing            plays   -"
    "mid_named_pipe         plays   -"
    "mid_dev_zero           plays   -"
    "sf_corrupt             plays   -"
    "sf_named_pipe          plays   -"
)

for row in "${cases[@]}"; do
    read -r breaker expected file <<<"$row"
    label="$breaker: $expected"
    [[ $file == - ]] || label+=" naming $file"
    run_case "$label" check_case "$breaker" "$expected" "$file"
done
rm -f "$E2E_TMP/opn_huge/dat/opn.dat"

run_case "no display: one line, status 1" no_display none
run_case "a display that cannot be reached: one line, status 1" no_display 1999
run_case "window destroyed by another program: status 0" window_destroyed
# Last: it takes the sound server away.
run_case "sound server gone mid-game: plays on silently" sound_server_gone
e2e_summary
