#!/usr/bin/env bash
# Runs one command inside a private desktop session made for it: its own XDG folders and, on
# request, an Xvfb server (never a fixed display number), a window manager, a session bus and a
# null PulseAudio server. Only the processes started here are stopped here, by PID.
#
#   with-session.sh --services=x11,wm,dbus,pulse [--screen=WxHxD] command args...
set -u

services=""
screen="1280x800x24"
while [ $# -gt 0 ]; do
    case "$1" in
        --services=*) services="${1#--services=}"; shift ;;
        --screen=*) screen="${1#--screen=}"; shift ;;
        --) shift; break ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "with-session.sh: no command" >&2; exit 2; }

want() { case ",$services," in *",$1,"*) return 0 ;; esac; return 1; }
# shellcheck source=wait-for.sh
source "$(dirname "${BASH_SOURCE[0]}")/wait-for.sh"

# shellcheck source=private-root.sh
source "$(dirname "${BASH_SOURCE[0]}")/private-root.sh"
root="" # set by private_root
private_root ostavel-session
# The desktop named there picks how the tray menu is shown; the tests name none.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS PULSE_SERVER XDG_CURRENT_DESKTOP

if want x11 || want wm; then
    # Xvfb writes the number and its newline apart, so a timed read of a pipe could end between
    # them with an empty line; a file is read only once the whole line is there.
    : >"$root/display"
    Xvfb -displayfd 3 -screen 0 "$screen" -noreset -nolisten tcp +extension RANDR \
        3>"$root/display" >"$root/xvfb.log" 2>&1 &
    pids+=($!)
    xvfb_pid=$!
    line_written() { [ "$(wc -l <"$root/display")" -ge 1 ]; }
    xvfb_settled() { line_written || ! kill -0 "$xvfb_pid" 2>/dev/null; }
    # Many servers starting at once (ctest -j) can take a while to settle on free displays.
    wait_for 60 xvfb_settled
    display=""
    line_written && read -r display <"$root/display"
    if [ -z "$display" ]; then
        echo "with-session.sh: Xvfb did not start" >&2
        cat "$root/xvfb.log" >&2
        exit 1
    fi
    export DISPLAY=":$display"
fi

if want wm; then
    # An empty but valid configuration: /dev/null makes openbox put an error dialog on screen.
    printf '<openbox_config xmlns="http://openbox.org/3.4/rc"/>\n' >"$root/openbox-rc.xml"
    openbox --sm-disable --config-file "$root/openbox-rc.xml" >"$root/wm.log" 2>&1 &
    pids+=($!)
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    if ! wait_for 20 wm_running; then
        echo "with-session.sh: openbox did not start" >&2
        cat "$root/wm.log" >&2
        exit 1
    fi
fi

if want dbus; then
    exec {afd}<> <(:)
    dbus-daemon --session --nofork --nopidfile --print-address="$afd" >"$root/dbus.log" 2>&1 &
    pids+=($!)
    export OSTAVEL_TEST_DBUS_PID=$!
    address=""
    read -r -t 10 address <&"$afd"
    exec {afd}<&-
    if [ -z "$address" ]; then
        echo "with-session.sh: dbus-daemon did not start" >&2
        exit 1
    fi
    export DBUS_SESSION_BUS_ADDRESS="$address"
fi

if want pulse; then
    mkdir -p "$root/runtime/pulse"
    HOME="$root/home" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --disable-shm=yes --log-target=file:"$root/pulse.log" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$root/runtime/pulse/native" \
        -L "module-null-sink sink_name=ostavel_null_sink" \
        -L "module-null-source source_name=ostavel_null_source" >/dev/null 2>&1 &
    pids+=($!)
    # For tests that freeze or stop the server under the application.
    export OSTAVEL_TEST_PULSE_PID=$!
    export PULSE_SERVER="unix:$root/runtime/pulse/native"
    pulse_answers() { pactl info >/dev/null 2>&1; }
    if ! wait_for 20 pulse_answers; then
        echo "with-session.sh: pulseaudio did not start" >&2
        cat "$root/pulse.log" >&2
        exit 1
    fi
fi

run_in_private_root "$@"
