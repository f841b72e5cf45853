#!/usr/bin/env bash
# Installs the Debian packages Ostavel needs, skipping the install when everything is already
# there. Uses sudo when not root.
#
#   deps.sh run    what building and running Ostavel needs
#   deps.sh test   that, and what the tests and benchmarks need: a headless X server, window
#                  manager, tray, compositor, session bus and sound server, GNOME Shell with
#                  XWayland and a native Wayland terminal, and the test tools
set -euo pipefail

run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins
    libqt6svg6 qt6-image-formats-plugins
    libxss-dev libxres-dev libx11-dev libxcb1-dev libxi-dev libxfixes-dev libpulse-dev libmpg123-dev
    tzdata ca-certificates
)
test_packages=(
    clang-format libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-xserver-utils x11-utils openbox trayer imagemagick
    desktop-file-utils xcompmgr
    dbus-daemon dbus-bin libglib2.0-bin python3 python3-gi gir1.2-glib-2.0
    pulseaudio pulseaudio-utils
    procps
    gnome-shell gnome-shell-extension-appindicator xwayland weston # the real GNOME test desktop
    binutils # readelf and addr2line, for the crash-report tests
)

case "${1:-}" in
run) packages=("${run_packages[@]}") ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

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
