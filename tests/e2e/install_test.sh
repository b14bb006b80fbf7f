#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a player gets: the files that `cmake --install` puts under a
# temporary /usr, or those of the Debian package unpacked with dpkg -x into a
# scratch root. Checks the tree, its menu entry and AppStream data with their
# validators, and the checker on the installed story; then starts the game
# by its command in /usr/games on a private X screen and ends it with its
# "End" button, and does the same for an author's story in a folder of its
# own with a link to that command, which must play that story. For the
# package, lintian must find nothing and the control fields must name what
# the game loads at run time.
#
#   install_test.sh BUILD-DIR     a complete build, installed with cmake --install
#   install_test.sh --deb FILE    a package built by cpack
set -uo pipefail

fail() {
    echo "install_test: $*" >&2
    exit 1
}

# --- on the X screen: start, wait for the window, press "End" ------------
# --on-screen FOLDER COMMAND LOG SCRIPT: COMMAND started in FOLDER must read
# the story SCRIPT (it holds the script it reads open).
if [[ ${1:-} == --on-screen ]]; then
    folder=$2 command=$3 log=$4 script=$5
    cd "$folder" || exit 1
    "$command" >"$log" 2>&1 &
    pid=$!
    stop() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }

    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --name '^Form1$' \
        2>/dev/null | head -n 1)
    if [[ -z $window ]]; then
        stop
        fail "no window named Form1 within 20 s; the game said: $(tail -n 5 "$log")"
    fi
    echo "install_test: $command in $folder shows Form1"
    reads=
    for ((i = 0; i < 100; i++)); do
        for fd in /proc/"$pid"/fd/*; do
            [[ $(readlink "$fd" 2>/dev/null) == "$script" ]] && reads=yes
        done
        [[ -n $reads ]] && break
        sleep 0.1
    done
    if [[ -z $reads ]]; then
        stop
        fail "$command in $folder does not read $script within 10 s"
    fi
    echo "install_test: it reads $script"
    # "End" fills x 7..8, y 5.5..6 of the 8 x 6 client area (no window
    # manager, so the window is the client area). The layout may still be
    # under way at the first click, so click until the game has gone.
    deadline=$((SECONDS + 20))
    while kill -0 "$pid" 2>/dev/null; do
        if ((SECONDS >= deadline)); then
            stop
            fail "the game did not end on its End button within 20 s"
        fi
        if eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)"; then
            xdotool mousemove --window "$window" $((WIDTH * 15 / 16)) $((HEIGHT * 23 / 24)) \
                click 1 2>/dev/null
        fi
        sleep 0.2
    done
    wait "$pid"
    status=$?
    [[ $status -eq 0 ]] || fail "the game ended with status $status: $(tail -n 5 "$log")"
    echo "install_test: End ended it with status 0"
    exit 0
fi

# --- the tree under a scratch root ---------------------------------------
case ${1:-} in
--deb) [[ $# -eq 2 ]] && deb=$(realpath -e "$2") || deb= ;;
*) [[ $# -eq 1 ]] && build=$1 deb= || build= ;;
esac
if [[ -z ${deb}${build:-} ]]; then
    echo "usage: install_test.sh BUILD-DIR | install_test.sh --deb FILE" >&2
    exit 2
fi
tools=(xvfb-run xauth xdotool desktop-file-validate appstreamcli)
[[ -n $deb ]] && tools+=(dpkg-deb lintian)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "install_test: $tool is missing; run scripts/install-deps.sh" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/hanashi-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
root=$work/root
usr=$root/usr
if [[ -n $deb ]]; then
    dpkg -x "$deb" "$root" || fail "dpkg -x $deb failed"
else
    cmake --install "$build" --prefix "$usr" >"$work/install.log" 2>&1 ||
        fail "cmake --install failed: $(tail -n 5 "$work/install.log")"
fi

app_id=invalid.hanashi.hanashi
game=lib/games/hanashi
data=share/games/hanashi
help_page="最初にお読み下さい.html"
expect_link() {
    [[ -L $usr/$1 && $(readlink "$usr/$1") == "$2" ]] || fail "$1 is not the relative link $2"
}
expect_link games/hanashi ../$game/hanashi
expect_link $game/dat ../../../$data/dat
expect_link "$game/$help_page" "../../../$data/$help_page"
for file in $game/hanashi games/hanashi-check; do
    [[ -f $usr/$file && -x $usr/$file ]] || fail "$file is missing or not executable"
done
for file in $data/dat/opn.dat $data/dat/end.dat $data/dat/bgm.mid $data/dat/00.bmp \
    $data/dat/09.bmp "$data/$help_page" share/applications/$app_id.desktop \
    share/metainfo/$app_id.metainfo.xml share/icons/hicolor/32x32/apps/hanashi.png \
    share/icons/hicolor/64x64/apps/hanashi.png share/doc/hanashi/copyright; do
    [[ -f $usr/$file ]] || fail "$file is missing"
done
for file in share/man/man6/hanashi.6.gz share/man/man6/hanashi-check.6.gz \
    share/doc/hanashi/changelog.Debian.gz; do
    gzip -t "$usr/$file" 2>/dev/null || fail "$file is missing or not gzip"
done

desktop=$usr/share/applications/$app_id.desktop
metainfo=$usr/share/metainfo/$app_id.metainfo.xml
grep -qx 'Exec=hanashi' "$desktop" || fail "the desktop entry does not start hanashi"
grep -qx 'Icon=hanashi' "$desktop" || fail "the desktop entry does not show the hanashi icon"
grep -qF "<id>$app_id</id>" "$metainfo" || fail "the AppStream id is not $app_id"
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the AppStream data does not launch $app_id.desktop"
out=$(desktop-file-validate "$desktop" 2>&1) && [[ -z $out ]] ||
    fail "desktop-file-validate: $out"
echo "install_test: desktop-file-validate $app_id.desktop: no findings"
# No network: the screenshot's address cannot be fetched from here.
out=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) ||
    fail "appstreamcli validate: $out"
echo "install_test: appstreamcli validate --pedantic --no-net:"
sed 's/^/    /' <<<"$out"

"$usr/games/hanashi-check" "$usr/$game" >"$work/check.log" 2>&1 ||
    fail "the installed game fails its check: $(cat "$work/check.log")"

# --- the package's own checks --------------------------------------------
if [[ -n $deb ]]; then
    # Lintian says so on stderr when run as root, as CI does; its findings
    # go to stdout.
    lintian --fail-on error,warning "$deb" >"$work/lintian.out" 2>"$work/lintian.err" ||
        fail "lintian failed: $(cat "$work/lintian.out" "$work/lintian.err")"
    [[ ! -s $work/lintian.out ]] || fail "lintian: $(cat "$work/lintian.out")"
    echo "install_test: lintian $(basename "$deb"): no findings"

    depends=$(dpkg-deb -f "$deb" Depends)
    # What dpkg-shlibdeps found in the programs, and what they load at run
    # time where it cannot look.
    for need in 'libqt6widgets6 (>= ' 'libfluidsynth3 (>= ' 'libpulse0 (>= ' 'libc6 (>= ' \
        qt6-qpa-plugins timgm6mb-soundfont fonts-ipafont-gothic xdg-utils; do
        [[ ", $depends," == *", $need"* ]] || fail "Depends lacks $need: $depends"
    done
    [[ $(dpkg-deb -f "$deb" Recommends) == qt6-wayland ]] ||
        fail "Recommends is not qt6-wayland: $(dpkg-deb -f "$deb" Recommends)"
    [[ $(dpkg-deb -f "$deb" Section) == games ]] || fail "the package is not in section games"
    version=$(dpkg-deb -f "$deb" Version)
    grep -qF "<release version=\"${version%-*}\"" "$metainfo" ||
        fail "the AppStream data has no release entry for ${version%-*}"
fi

# --- start it ------------------------------------------------------------
# A desktop session of its own, and no sound device: the game runs silent.
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
: >"$work/no-devices.conf"
export PULSE_SERVER=unix:$work/no-such-socket ALSA_CONFIG_PATH=$work/no-devices.conf
unset QT_QPA_PLATFORM

# An author's story: its own dat/ and a link to the command. Started there
# by the link, the game plays that story; started by the command itself,
# from elsewhere, the bundled one beside its real file.
story=$work/story
mkdir -p "$story/dat" && cp "$usr/$data"/dat/0[0-9].bmp "$story/dat/" || fail "cannot make a story"
for ((i = 1; i <= 30; i++)); do printf 'Line %d of a story of my own\r\n' "$i"; done >"$story/dat/opn.dat"
ln -s "$usr/games/hanashi" "$story/hanashi" || fail "cannot link the story to the game"

# Two tests may ask for the same free display at once: start from a random one.
xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24 -nolisten tcp" \
    bash -c 'bash "$0" --on-screen / "$1" "$2" "$3" && bash "$0" --on-screen "$4" ./hanashi "$2" "$5"' \
    "$0" "$usr/games/hanashi" "$work/game.log" "$(realpath -e "$usr/$data/dat/opn.dat")" \
    "$story" "$(realpath -e "$story/dat/opn.dat")"
