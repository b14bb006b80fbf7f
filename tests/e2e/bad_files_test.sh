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

mid_zero_bytes() { : >"$1/bgm.mid"; }
# The header and the start of the track, the rest cut off.
mid_truncated() {
    local size
    size=$(stat -c %s "$1/bgm.mid")
    truncate -s $((size / 2)) "$1/bgm.mid"
}
mid_text() { printf 'This is not a tune.\r\nNor is this line.\r\n' >"$1/bgm.mid"; }
mid_missing() { rm "$1/bgm.mid"; }

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
    # Music is heard only from a tune that is whole.
    if [[ $name == intact ]]; then
        (($(game_streams) == 1)) || bad "the game plays no music into the sink" || return 1
    elif [[ $name == mid_* ]]; then
        (($(game_streams) == 0)) || bad "a stream plays into the sink from a broken tune" || return 1
    fi
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
    if [[ $expected == plays ]]; then
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
    "opn_missing            error   opn.dat"
    "opn_folder             error   opn.dat"
    "opn_unreadable         error   opn.dat"
    "bmp_truncated          error   03.bmp"
    "bmp_cut_in_header      error   03.bmp"
    "bmp_wrong_magic        error   03.bmp"
    "bmp_wrong_header_size  error   03.bmp"
    "bmp_is_png             error   03.bmp"
    "bmp_missing            error   05.bmp"
    "mid_zero_bytes         plays   -"
    "mid_truncated          plays   -"
    "mid_text               plays   -"
    "mid_missing            plays   -"
)

for row in "${cases[@]}"; do
    read -r breaker expected file <<<"$row"
    label="$breaker: $expected"
    [[ $file == - ]] || label+=" naming $file"
    run_case "$label" check_case "$breaker" "$expected" "$file"
done
e2e_summary
