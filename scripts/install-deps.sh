#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages hanashi needs to build, run and test.
# A no-op (no apt call at all) when every package is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git python3
    qt6-base-dev libgl-dev
    libfluidsynth-dev libasound2-dev libpulse-dev timgm6mb-soundfont
    fonts-ipafont-gothic xdg-utils
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils libx11-dev libxcb1-dev
    weston qt6-wayland openbox python3-pyatspi at-spi2-core dbus-daemon
    libxdamage-dev pulseaudio pulseaudio-utils time
    clang libclang-rt-14-dev clang-format
    go-md2man file lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
