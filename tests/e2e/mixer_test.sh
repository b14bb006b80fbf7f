#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# How the desktop's volume mixer sees the game's music: a private PulseAudio
# server with a null sink, and the properties of the game's stream as
# `pactl list sink-inputs` shows them.
#
#   run-xvfb.sh mixer_test.sh HANASHI-EXE XPROBE-EXE SOURCE-DIR

source "$(dirname "$0")/lib.sh"
e2e_setup "$@"

# stream_properties: the property lines of the running game's sink input,
# as `key = "value"`, once it plays; fails after 15 s without one.
STREAM=
stream_properties() {
    wait_for 15000 eval '(($(game_streams) == 1))' ||
        bad "the game plays no music into the sound server" || return 1
    STREAM=$(pactl list sink-inputs | awk -v pid="$GAME_PID" '
        /^Sink Input #/ { if (mine) exit; block = "" }
        /^\t\t[a-z0-9._-]+ = / { sub(/^\t\t/, ""); block = block $0 "\n" }
        $0 ~ "application.process.id = \"" pid "\"" { mine = 1 }
        END { if (mine) printf "%s", block }')
    [[ -n $STREAM ]] || bad "no properties for the game's stream"
}

# expect_property KEY VALUE: the stream has KEY = "VALUE".
expect_property() {
    grep -qxF "$1 = \"$2\"" <<<"$STREAM" ||
        bad "$1 is $(grep "^$1 = " <<<"$STREAM" || echo unset), not \"$2\""
}

show_names() {
    grep -E '^(application\.(name|icon_name)|media\.(name|role)) = ' <<<"$STREAM" |
        sed 's/^/    /'
}

case_the_stream_is_named_after_the_game() {
    make_game "$E2E_TMP/named" || bad "could not make the game folder" || return 1
    unset PULSE_PROP_OVERRIDE
    start_game "$E2E_TMP/named"
    need_window Form1 || return 1
    stream_properties || return 1
    show_names
    expect_property application.name hanashi || return 1
    expect_property application.icon_name hanashi || return 1
    expect_property media.role game || return 1
    expect_property media.name Music || return 1
    expect_quiet || return 1
    end_with_end_button
}

case_the_players_own_override_wins() {
    make_game "$E2E_TMP/players" || bad "could not make the game folder" || return 1
    export PULSE_PROP_OVERRIDE="application.name='my music' media.role='music'"
    start_game "$E2E_TMP/players"
    unset PULSE_PROP_OVERRIDE
    need_window Form1 || return 1
    stream_properties || return 1
    show_names
    expect_property application.name "my music" || return 1
    expect_property media.role music || return 1
    # Nothing of the game's own naming is mixed in.
    ! grep -q '^application.icon_name = "hanashi"$' <<<"$STREAM" ||
        bad "the game's icon name was added to the player's override" || return 1
    end_with_end_button
}

start_sound || exit 1
run_case "the mixer shows the game's stream as hanashi, with its icon, as a game" \
    case_the_stream_is_named_after_the_game
run_case "a PULSE_PROP_OVERRIDE of the player's own stands as it is" \
    case_the_players_own_override_wins
e2e_summary
