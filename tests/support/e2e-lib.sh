# shellcheck shell=bash
# Helpers shared by the end-to-end test scripts and the bench scripts, which source this file
# inside tests/support/with-session.sh. Every process a script starts goes into `pids`; on exit
# those, and only those, are stopped, by PID.

e2e_support="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

pids=()
# A sound server the script froze (SIGSTOP) is thawed first, so that the session can stop it.
cleanup() {
    [ -n "${OSTAVEL_TEST_PULSE_PID:-}" ] && kill -CONT "$OSTAVEL_TEST_PULSE_PID" 2>/dev/null
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# show_on_failure LABEL FILE: fail() prints the file, each line behind "  LABEL: ". FILE may be a
# glob, expanded at the failure; a LABEL of - puts each file's own name there.
failure_logs=()
show_on_failure() { failure_logs+=("$1" "$2"); }
fail() {
    echo "FAIL: $*" >&2
    local i label file IFS=$'\n'
    for ((i = 0; i < ${#failure_logs[@]}; i += 2)); do
        # Split on newlines only: the glob expands, a path with spaces stays whole.
        for file in ${failure_logs[i + 1]}; do
            [ -f "$file" ] || continue
            label="${failure_logs[i]}"
            [ "$label" = - ] && label="$(basename "$file")"
            sed "s|^|  $label: |" "$file" >&2
        done
    done
    exit 1
}

# shellcheck source=wait-for.sh
source "$e2e_support/wait-for.sh"

# grab_screen FILE [WxH+X+Y]: what the X server shows, all of it or that part, as a PNG. Without
# the date chunks, the same picture always makes the same file.
grab_screen() {
    local crop=()
    [ -n "${2:-}" ] && crop=(-crop "$2" +repage)
    import -window root "${crop[@]}" -define png:exclude-chunks=date,time "png:$1"
}
# screenshot FILE [WxH+X+Y]: the screen, or that part of it, saved as FILE once it has stopped
# changing: windows map, paint, slide and fade in at their own pace. Two grabs a tenth of a second
# apart that match end the wait; after about 5 s the last grab stands.
screenshot() {
    local previous="$1.previous"
    grab_screen "$1" "${2:-}" || return 1
    for _ in $(seq 1 40); do
        mv "$1" "$previous"
        sleep 0.1
        grab_screen "$1" "${2:-}" || return 1
        cmp -s "$1" "$previous" && break
    done
    rm -f "$previous"
}
# screen_differs FILE [WxH+X+Y]: whether the screen no longer shows what the screenshot FILE (of
# the same part) shows.
screen_differs() {
    local now="$1.now" status=0
    grab_screen "$now" "${2:-}" || return 1
    cmp -s "$1" "$now" && status=1
    rm -f "$now"
    return "$status"
}

# The 2560x800 screen as two 1280x800 monitors side by side: left (the primary) or right.
add_monitor() {
    case "$1" in
    left) xrandr --setmonitor '*left' 1280/338x800/211+0+0 screen >/dev/null ;;
    right) xrandr --setmonitor right 1280/338x800/211+1280+0 none >/dev/null ;;
    *) return 2 ;;
    esac
}

# The tray icon of process $1: the first of its visible windows no wider than 64 pixels.
tray_icon_window() {
    local w geometry
    xdotool search --all --pid "$1" --onlyvisible 2>/dev/null | while read -r w; do
        geometry=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: //p')
        [ -n "$geometry" ] && [ "${geometry%%x*}" -le 64 ] && echo "$w" && break
    done
}

# start_compositor LOG: xcompmgr, its PID in `compositor`.
start_compositor() {
    xcompmgr >"$1" 2>&1 &
    compositor=$!
    pids+=("$compositor")
}

# start_tray_host LOG [trayer options...]: an XEmbed tray (trayer) at the top right of the
# screen, its PID in `tray_host`.
start_tray_host() {
    local log="$1"
    shift
    trayer --edge top --align right --widthtype request "$@" >>"$log" 2>&1 &
    tray_host=$!
    pids+=("$tray_host")
}

# The settings of a user past the first run, as on every later login, with the configuration $1
# (JSON, as the settings hold it) if given. Written as the settings file's own text.
store_first_run_done() {
    mkdir -p "$XDG_CONFIG_HOME/Ostavel"
    {
        printf '[General]\ncom.ostavel.onboardingCompleted=true\ncom.ostavel.menuBarHintShown=true\n'
        if [ -n "${1:-}" ]; then
            # QSettings' INI form of a byte array: quoted, with backslashes and quotes escaped.
            local json
            json=$(printf '%s' "$1" | sed -e 's/\\/\\\\/g' -e 's/"/\\"/g')
            printf 'com.ostavel.configuration="@ByteArray(%s)"\n' "$json"
        fi
    } >"$XDG_CONFIG_HOME/Ostavel/Ostavel.conf"
}

# bench_binary [PATH]: the application binary a bench runs (default build/src/ostavel), made
# absolute; fails when it is not built.
bench_binary() {
    local binary
    binary="$(realpath "${1:-$e2e_support/../../build/src/ostavel}")" || return 1
    [ -x "$binary" ] || { echo "no binary at $binary (build first)" >&2; return 1; }
    echo "$binary"
}

# rerun_in_session [with-session.sh options...] -- ARGS...: runs the calling script again inside a
# private session, as `script --inside ARGS...`.
rerun_in_session() {
    local options=()
    while [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    exec bash "$e2e_support/with-session.sh" "${options[@]}" bash "$0" --inside "$@"
}

# CPU time of process $1, all threads: utime+stime in clock ticks, and the scheduler's run time
# in nanoseconds (finer than the ticks, which count 10 ms each).
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
run_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { print s }'; }
