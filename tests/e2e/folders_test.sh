#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A game folder plays whatever bytes its name holds (Shift-JIS, Latin-1) and
# however long its path is, started directly or through a link beside its
# story; messages and the help page's URL name such a folder. (The link to
# the installed game is install_test.sh's, the rule itself ProgramFolder's
# unit test.)
#
#   run-xvfb.sh folders_test.sh HANASHI-EXE XPROBE-EXE SOURCE-DIR

source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
no_sound
# The game names its folders by their real paths.
TMP=$(realpath -e "$E2E_TMP") || exit 2

# holds_open FILE: the game has FILE open, as it has the script it reads.
holds_open() {
    local fd
    for fd in /proc/"$GAME_PID"/fd/*; do
        [[ $(readlink "$fd" 2>/dev/null) == "$1" ]] && return 0
    done
    return 1
}

# plays [SCRIPT]: the window comes up and shows the story, read from SCRIPT
# if given; End then ends the game with status 0.
plays() {
    need_window Form1 || return 1
    wait_for 10000 story_has_text || bad "no story shown within 10 s" || return 1
    if [[ -n ${1:-} ]]; then
        wait_for 5000 holds_open "$1" || bad "the game does not read $1" || return 1
    fi
    expect_quiet || return 1
    end_with_end_button
}

# make_story DIR: dat/ with the bundled pictures and a script of its own,
# long enough to stay open for the whole case; no program.
make_story() {
    local lines=() i
    mkdir -p "$1/dat" && cp "$SOURCE_DIR"/dat/0[0-9].bmp "$1/dat/" || return 1
    for i in $(seq 1 30); do lines+=("試しの話、${i}行目"); done
    write_script "$1/dat/opn.dat" "${lines[@]}"
}

# ゲーム in code page 932, as an archive from Japanese Windows unpacks it.
case_a_shift_jis_folder_plays_and_opens_its_help_page() {
    local dir=$TMP/$'\x83\x51\x81\x5B\x83\x80' record=$TMP/opened.txt
    install_stand_in_opener "$record"
    make_game "$dir" || bad "could not make the game folder" || return 1
    start_game "$dir"
    need_window Form1 || return 1
    click_help
    wait_for 5000 grep -qx -- -- "$record" || bad "the opener was not run after Help" || return 1
    local url
    url=$(head -n 1 "$record")
    [[ $(printf '%b' "${url//%/\\x}") == "file://$dir/$HELP_PAGE_NAME" ]] ||
        bad "Help opened $url" || return 1
    plays "$dir/dat/opn.dat"
}

# café in Latin-1, reached through a link; a missing picture is named with
# the bad byte escaped.
case_a_latin1_folder_is_named_readably() {
    local dir=$TMP/$'caf\xe9' game=$TMP/game-for-latin1
    make_game "$game" && make_story "$dir" && ln -s "$game/hanashi" "$dir/hanashi" ||
        bad "could not make the folders" || return 1
    start_game "$dir"
    plays "$dir/dat/opn.dat" || return 1
    rm "$dir/dat/05.bmp"
    start_game "$dir"
    need_window hanashi || return 1
    local said
    said=$(cat "$GAME_ERR")
    [[ $said == "hanashi: File not found: $TMP/caf\\xe9/dat/05.bmp" ]] ||
        bad "the game said: $said" || return 1
    xdotool windowfocus --sync "$WINDOW" key Return
    wait_exit 3000 || bad "still running 3 s after Return on the message box" || return 1
    ((GAME_STATUS == 1)) || bad "exit status $GAME_STATUS, not 1"
}

# A path longer than PATH_MAX can only be reached step by step, and a
# program in it only started by a relative name. The copy finds no other
# dat/ than the one beside it.
case_a_folder_deeper_than_path_max_plays() {
    local step i
    step=$(printf 's%.0s' $(seq 1 200))
    (
        cd "$E2E_TMP" || exit 1
        for i in $(seq 1 22); do mkdir "$step" && cd "$step" || exit 1; done
        mkdir dat && cp "$SOURCE_DIR"/dat/* dat/ && cp "$HANASHI_EXE" hanashi || exit 1
        (($(pwd | wc -c) > $(getconf PATH_MAX /))) || exit 1
        # Not bash's own exec, which makes the name absolute and too long.
        exec env ./hanashi
    ) >"$E2E_TMP/deep.stdout" 2>"$E2E_TMP/deep.stderr" </dev/null &
    GAME_PID=$! GAME_OUT=$E2E_TMP/deep.stdout GAME_ERR=$E2E_TMP/deep.stderr
    need_window Form1 || return 1
    wait_for 10000 story_has_text || bad "no story shown within 10 s" || return 1
    # Under the sanitizers their runtime says that it cannot name so deep an
    # executable for its stack traces: its own line, not the game's.
    local said
    said=$(grep -v '^==[0-9]*==WARNING: reading executable name failed' "$GAME_ERR")
    [[ -z $said ]] || bad "the game printed on stderr: $said" || return 1
    end_with_end_button
}

run_case "a Shift-JIS folder name plays, and Help opens its page" \
    case_a_shift_jis_folder_plays_and_opens_its_help_page
run_case "a Latin-1 folder name plays, and a message names it readably" \
    case_a_latin1_folder_is_named_readably
run_case "a folder deeper than PATH_MAX plays" case_a_folder_deeper_than_path_max_plays
e2e_summary
