#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the installed tree, then
# starts the game through its link in bin/ on a private X screen and ends it
# with its "End" button. The build must be complete.
#
#   install_test.sh BUILD-DIR
set -uo pipefail

fail() {
    echo "install_test: $*" >&2
    exit 1
}

# --- on the X screen: start, wait for the window, press "End" ------------
if [[ ${1:-} == --on-screen ]]; then
    prefix=$2
    # From elsewhere, by the link: the game must find dat/ by its real path.
    cd "$prefix/.." || exit 1
    "$prefix/bin/hanashi" >"$prefix/../game.log" 2>&1 &
    pid=$!
    stop() { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }

    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
    if [[ -z $window ]]; then
        stop
        fail "no window named Form1 within 20 s; the game said: $(tail -n 5 "$prefix/../game.log")"
    fi
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
    [[ $status -eq 0 ]] || fail "the game ended with status $status: $(tail -n 5 "$prefix/../game.log")"
    exit 0
fi

# --- install and look at the tree ----------------------------------------
[[ $# -eq 1 ]] || { echo "usage: install_test.sh BUILD-DIR" >&2; exit 2; }
build=$1
for tool in xvfb-run xauth xdotool; do
    command -v "$tool" >/dev/null || { echo "install_test: $tool is missing; run scripts/install-deps.sh" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/hanashi-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(tail -n 5 "$work/install.log")"

[[ -L $prefix/bin/hanashi && $(readlink "$prefix/bin/hanashi") == ../lib/hanashi/hanashi ]] ||
    fail "bin/hanashi is not the relative link ../lib/hanashi/hanashi"
for file in lib/hanashi/hanashi bin/hanashi-check; do
    [[ -x $prefix/$file ]] || fail "$file is missing or not executable"
done
for file in lib/hanashi/dat/opn.dat lib/hanashi/dat/end.dat lib/hanashi/dat/bgm.mid \
    lib/hanashi/dat/00.bmp lib/hanashi/dat/09.bmp "lib/hanashi/最初にお読み下さい.html" \
    share/applications/hanashi.desktop share/icons/hicolor/32x32/apps/hanashi.png; do
    [[ -f $prefix/$file ]] || fail "$file is missing"
done
grep -qx 'Exec=hanashi' "$prefix/share/applications/hanashi.desktop" ||
    fail "the desktop entry does not start hanashi"
"$prefix/bin/hanashi-check" "$prefix/lib/hanashi" >"$work/check.log" 2>&1 ||
    fail "the installed game fails its check: $(cat "$work/check.log")"

# A desktop session of its own, and no sound device: the game runs silent.
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
: >"$work/no-devices.conf"
export PULSE_SERVER=unix:$work/no-such-socket ALSA_CONFIG_PATH=$work/no-devices.conf
unset QT_QPA_PLATFORM

# Two tests may ask for the same free display at once: start from a random one.
xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24 -nolisten tcp" \
    bash "$0" --on-screen "$prefix"
