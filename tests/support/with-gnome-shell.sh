#!/usr/bin/env bash
# Runs one command inside a private GNOME Shell desktop: Debian's own gnome-shell, headless on
# Wayland with XWayland and two virtual monitors (1280x800, the primary, and 1024x768 to its
# right), the AppIndicator extension on, its own XDG folders and HOME, its own session bus and a
# system bus with a fake logind. The command gets DISPLAY (XWayland), WAYLAND_DISPLAY, XAUTHORITY,
# both bus addresses, and OSTAVEL_GNOME_SHELL_LOG (the shell's log so far). Input goes through
# Mutter's RemoteDesktop (tests/support/gnome-remote-input.py, already running), and the shell's
# Eval answers (a test extension turns its unsafe mode on): tests/support/gnome-lib.sh has the
# helpers. Only the processes started here are stopped here, by PID.
#
#   with-gnome-shell.sh command args...
set -u
[ $# -gt 0 ] || { echo "with-gnome-shell.sh: no command" >&2; exit 2; }

support="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=wait-for.sh
source "$support/wait-for.sh"

# shellcheck source=private-root.sh
source "$support/private-root.sh"
root="" # set by private_root
private_root ostavel-gnome
export HOME="$root/home"
die() {
    echo "with-gnome-shell.sh: $1" >&2
    [ -n "${2:-}" ] && [ -f "$2" ] && sed 's/^/  /' "$2" >&2
    exit 1
}

# Settings in a file of the session's own: no dconf service to start, nothing of the user's read.
export GSETTINGS_BACKEND=keyfile
export NO_AT_BRIDGE=1 GTK_A11Y=none
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS PULSE_SERVER

# bus TYPE VARIABLE: a dbus-daemon of that type on a socket in the session's folder, with no
# services to start on demand; its address exported in VARIABLE. Not run in a subshell, so that
# its PID stays in `pids`.
bus() {
    cat >"$root/$1-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>$1</type>
  <listen>unix:dir=$root/runtime</listen>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow eavesdrop="true"/>
  </policy>
</busconfig>
EOF
    local afd address=""
    exec {afd}<> <(:)
    dbus-daemon --config-file="$root/$1-bus.conf" --nofork --nopidfile --print-address="$afd" \
        >>"$root/dbus.log" 2>&1 &
    pids+=($!)
    read -r -t 10 address <&"$afd"
    exec {afd}<&-
    [ -n "$address" ] || die "the $1 bus did not start" "$root/dbus.log"
    export "$2=$address"
}
# wait_while_alive SECONDS PID COMMAND...: wait_for, but gives up as soon as PID has exited.
wait_while_alive() {
    local seconds="$1" pid="$2"
    shift 2
    for _ in $(seq 1 $((seconds * 20))); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}
# start_reporting NAME LINE command...: runs a helper in the background, waits for LINE in its
# output.
start_reporting() {
    local name="$1" line="$2"
    shift 2
    "$@" >"$root/$name.log" 2>&1 &
    pids+=($!)
    wait_while_alive 20 $! grep -qx "$line" "$root/$name.log" || die "$name did not start" "$root/$name.log"
}

bus system DBUS_SYSTEM_BUS_ADDRESS
bus session DBUS_SESSION_BUS_ADDRESS
start_reporting logind "logind ready" /usr/bin/python3 "$support/fake-logind.py"

extensions="$XDG_DATA_HOME/gnome-shell/extensions"
mkdir -p "$extensions"
cp -r "$support/gnome-shell-test-extension" "$extensions/ostavel-test@ostavel.test"
gsettings set org.gnome.shell enabled-extensions \
    "['ostavel-test@ostavel.test', 'ubuntu-appindicators@ubuntu.com']"
# Nothing of the shell's own may come up over the test's windows: the first-login tour, the
# screen shield, the blank screen.
gsettings set org.gnome.shell welcome-dialog-last-shown-version '999'
gsettings set org.gnome.desktop.session idle-delay 0
gsettings set org.gnome.desktop.screensaver lock-enabled false

export OSTAVEL_GNOME_SHELL_LOG="$root/gnome-shell.log"
XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME gnome-shell --wayland --headless \
    --virtual-monitor 1280x800 --virtual-monitor 1024x768 >"$OSTAVEL_GNOME_SHELL_LOG" 2>&1 &
pids+=($!)
export OSTAVEL_GNOME_SHELL_PID=$!

# shellcheck source=gnome-lib.sh
source "$support/gnome-lib.sh"
shell_ready() { [ "$(gnome_eval 'Main.layoutManager._startingUp' 2>/dev/null)" = false ]; }
wait_while_alive 60 "$OSTAVEL_GNOME_SHELL_PID" shell_ready || die "gnome-shell did not start" "$OSTAVEL_GNOME_SHELL_LOG"
# The shell opens on its overview; a desktop in use shows the windows.
gnome_eval 'Main.overview.hide()' >/dev/null
overview_hidden() { [ "$(gnome_eval 'Main.overview.visible || Main.overview.animationInProgress')" = false ]; }
wait_for 10 overview_hidden || die "the overview stayed open" "$OSTAVEL_GNOME_SHELL_LOG"

DISPLAY=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$OSTAVEL_GNOME_SHELL_LOG" | head -1)
[ -n "$DISPLAY" ] || die "no XWayland display" "$OSTAVEL_GNOME_SHELL_LOG"
export DISPLAY
XAUTHORITY=$(gnome_eval 'GLib.getenv("XAUTHORITY")')
[ -n "$XAUTHORITY" ] && [ "$XAUTHORITY" != null ] || die "no XAUTHORITY" "$OSTAVEL_GNOME_SHELL_LOG"
export XAUTHORITY
export WAYLAND_DISPLAY
WAYLAND_DISPLAY=$(sed -n "s/.*Using Wayland display name '\([^']*\)'.*/\1/p" \
    "$OSTAVEL_GNOME_SHELL_LOG" | head -1)
[ -n "$WAYLAND_DISPLAY" ] || die "no Wayland display" "$OSTAVEL_GNOME_SHELL_LOG"
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME

start_reporting input "input ready" /usr/bin/python3 "$support/gnome-remote-input.py"

run_in_private_root "$@"
