#!/usr/bin/env bash
# Installs the Debian packages Ostavel needs to build, run and test, skipping the install when
# everything is already there. Uses sudo when not root.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins
    libqt6svg6 qt6-image-formats-plugins
    libxss-dev libxres-dev libx11-dev libxcb1-dev libxi-dev libxfixes-dev libpulse-dev libmpg123-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-xserver-utils x11-utils openbox trayer imagemagick
    desktop-file-utils xcompmgr
    dbus-daemon dbus-bin libglib2.0-bin python3 python3-gi gir1.2-glib-2.0
    pulseaudio pulseaudio-utils
    tzdata procps ca-certificates
    binutils  # readelf and addr2line, for the crash-report tests
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
