#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# "Help" hands the page beside the executable to the desktop's opener as one
# file: URL, from a folder whose name needs encoding, and the story goes on.
#
#   run-xvfb.sh help_test.sh HANASHI-EXE XPROBE-EXE SOURCE-DIR

source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
no_sound

url_decode() {
    printf '%b' "${1//%/\\x}"
}

# The story label changes as the reader shows line after line.
story_moves_on() {
    [[ $(area_sum 0.2 0.2 3.6 5.6) != "$story_before" ]]
}

case_help_opens_the_page_and_the_story_goes_on() {
    local dir="$E2E_TMP/お話 の #1 folder" record=$E2E_TMP/opened.txt
    install_stand_in_opener "$record"
    make_game "$dir" || bad "could not make the game folder" || return 1
    local lines=() i
    for i in $(seq 1 30); do lines+=("Line $i of the story, 第${i}行"); done
    write_script "$dir/dat/opn.dat" "${lines[@]}"
    # A page in dat/ is not the one the button opens.
    cp "$dir/$HELP_PAGE_NAME" "$dir/dat/"

    start_game "$dir"
    need_window Form1 || return 1
    expect_window_covers_screen || return 1
    click_help
    local deadline=$(($(now_ms) + 5000))
    until [[ -s $record ]] && grep -qx -- -- "$record"; do
        (($(now_ms) < deadline)) || bad "the opener was not run within 5 s of the Help click" ||
            return 1
        sleep 0.05
    done
    local got=()
    mapfile -t got <"$record"
    ((${#got[@]} == 2)) || bad "the opener got $((${#got[@]} - 1)) arguments: ${got[*]}" || return 1
    local url=${got[0]} want="$dir/$HELP_PAGE_NAME"
    [[ $url == file://* ]] || bad "not a file: URL: $url" || return 1
    # Qt encodes the URL; spaces and the '#' must not stay raw in it.
    [[ $url != *[\ \#]* ]] || bad "the URL is not encoded: $url" || return 1
    local path
    path=$(url_decode "${url#file://}")
    [[ $path == "$want" ]] || bad "opened $path, not $want" || return 1
    echo "    opener got: $url"

    # The game did not wait for the opener and reads on: the first line
    # comes, then two more.
    game_running || bad "the game ended after Help" || return 1
    wait_for 5000 story_has_text || bad "no story shown within 5 s after Help" || return 1
    local step
    for step in 1 2; do
        story_before=$(area_sum 0.2 0.2 3.6 5.6)
        wait_for 5000 story_moves_on || bad "the story stopped after Help" || return 1
    done
    # A second click asks again.
    click_help
    deadline=$(($(now_ms) + 5000))
    until (($(grep -cx -- -- "$record") == 2)); do
        (($(now_ms) < deadline)) || bad "a second Help click did not run the opener again" ||
            return 1
        sleep 0.05
    done
    expect_quiet || return 1
    end_with_end_button
}

run_case "Help opens the page beside the executable, and the story goes on" \
    case_help_opens_the_page_and_the_story_goes_on
e2e_summary
