#!/usr/bin/env bash
# End to end: the real binary in a private X session with an XEmbed tray host (trayer), a stored
# configuration of a few seconds of work and a short break, and input from xdotool. Passes when
# the session log shows a whole cycle on time while the sound server is frozen (as a stuck audio
# daemon is); leaves screenshots of the tray and its menu in the artifact folder. Run inside
# tests/support/with-session.sh (x11, dbus, pulse).
#
#   tray-e2e.sh OSTAVEL STORE_DEFAULTS ARTIFACT_DIR
set -u
ostavel="$1"
store_defaults="$2"
artifacts="$3"
mkdir -p "$artifacts"
rm -f "$artifacts"/tray*.png "$artifacts"/ostavel*.log "$artifacts"/session.log

pids=()
cleanup() {
    kill -CONT "$OSTAVEL_TEST_PULSE_PID" 2>/dev/null
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$artifacts/ostavel.log" ] && sed 's/^/  ostavel: /' "$artifacts/ostavel.log" >&2
    exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local seconds="$1"
    shift
    for _ in $(seq 1 $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Without a tray host the application keeps running, says so once, and does not spin.
(
    export XDG_CONFIG_HOME="$OSTAVEL_TEST_SESSION_ROOT/no-tray/config"
    export XDG_DATA_HOME="$OSTAVEL_TEST_SESSION_ROOT/no-tray/data"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
    "$ostavel" >"$artifacts/ostavel-no-tray.log" 2>&1 &
    pid=$!
    sleep 4
    kill -0 "$pid" 2>/dev/null || { echo "FAIL: ostavel exited without a tray" >&2; exit 1; }
    ticks=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    kill "$pid"
    wait "$pid" 2>/dev/null
    [ "$(grep -c "No system tray is available" "$artifacts/ostavel-no-tray.log")" = 1 ] ||
        { echo "FAIL: the missing tray was not logged exactly once" >&2; exit 1; }
    # A busy loop would burn hundreds of ticks in four seconds.
    [ "$ticks" -lt 150 ] || { echo "FAIL: $ticks CPU ticks without a tray" >&2; exit 1; }
) || exit 1

trayer --edge top --align right --widthtype request --height 32 --transparent false \
    --tint 0x404040 --SetDockType true >"$artifacts/trayer.log" 2>&1 &
pids+=($!)
wait_for 10 xdotool search --name '^panel$' >/dev/null || fail "trayer did not start"

"$store_defaults" --configuration '{"workDurationSeconds":8,"preAlertDurationSeconds":3,
    "cursorAlertDurationSeconds":2,"breakDurationSeconds":3,"longBreakEnabled":false,
    "sendAnonymousCrashReports":false}' || fail "could not store the configuration"

xdotool mousemove 400 400
QT_LOGGING_RULES="com.ostavel.app.*.info=true" "$ostavel" >"$artifacts/ostavel.log" 2>&1 &
ostavel_pid=$!
pids=("$ostavel_pid" "${pids[@]}")

session_log="$XDG_DATA_HOME/Ostavel/session.log"
wait_for 10 grep -q "Idle → Working" "$session_log" 2>/dev/null || fail "work never started"
# From here on the sound server takes requests and never answers: every sound of the cycle is
# due while it is frozen.
kill -STOP "$OSTAVEL_TEST_PULSE_PID" || fail "could not freeze the sound server"

# The countdown in the tray, a few seconds into the work period (the first-run hint may show).
sleep 1.5
import -window root "$artifacts/tray-screen.png"
import -window root -crop 320x120+960+0 +repage "$artifacts/tray.png"

# A click on the icon opens the status menu at the pointer.
icon=$(xdotool search --all --pid "$ostavel_pid" --onlyvisible 2>/dev/null | while read -r w; do
    geometry=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: //p')
    [ "$geometry" != "" ] && [ "${geometry%%x*}" -le 64 ] && echo "$w" && break
done)
if [ -n "$icon" ]; then
    xdotool mousemove --window "$icon" 8 8 click 1
    sleep 0.7
    import -window root -crop 420x420+860+0 +repage "$artifacts/tray-menu.png"
    xdotool key Escape
else
    echo "note: no tray icon window found to click" >&2
fi

# The user keeps still now: the break starts once the work time is up, then ends.
wait_for 40 grep -q "On Break → Idle" "$session_log" || fail "no whole cycle in the session log"
cp "$session_log" "$artifacts/session.log"

expected=("Idle → Working" "Working → Pre-Alert" "Pre-Alert → On Break" "On Break → Idle")
actual=$(sed 's/^\[[^]]*\] //' "$session_log")
line=0
for step in "${expected[@]}"; do
    next=$(printf '%s\n' "$actual" | awk -v from="$line" -v step="$step" \
        'NR > from && $0 == step { print NR; exit }')
    [ -n "$next" ] || fail "session log lacks '$step' in order:
$actual"
    line=$next
done

# On time: the pre-alert 3 s before the break, the break 3 s long (log stamps are whole seconds).
stamp() {
    date -d "$(grep -m1 "] $1\$" "$session_log" | sed 's/^\[\([^]]*\)\].*/\1/')" +%s
}
pre_alert=$(stamp "Working → Pre-Alert")
on_break=$(stamp "Pre-Alert → On Break")
idle=$(stamp "On Break → Idle")
for gap in "$((on_break - pre_alert))" "$((idle - on_break))"; do
    [ "$gap" -ge 2 ] && [ "$gap" -le 4 ] || fail "the timeline slipped with the sound server frozen:
$(cat "$session_log")"
done
sleep 2.5 # the last sound's wait for an answer runs out
kill -CONT "$OSTAVEL_TEST_PULSE_PID"
[ "$(grep -c "Sound skipped" "$artifacts/ostavel.log")" = 1 ] ||
    fail "the frozen sound server was not logged exactly once"

kill -0 "$ostavel_pid" 2>/dev/null || fail "ostavel exited"
grep -q "Ostavel launched" "$artifacts/ostavel.log" || fail "no launch line"
grep -q "Sound file not found" "$artifacts/ostavel.log" && fail "a sound file was missing"
grep -q "No system tray is available" "$artifacts/ostavel.log" && fail "the tray host was not seen"
grep -q "^Exec=$ostavel\$" "$XDG_CONFIG_HOME/autostart/ostavel.desktop" ||
    fail "no autostart entry for $ostavel"
grep -q "menuBarHintShown=true" "$XDG_CONFIG_HOME/Ostavel/Ostavel.conf" ||
    fail "the first-run hint was not shown"

echo "whole cycle:"
printf '%s\n' "$actual"
echo "screenshots in $artifacts"
