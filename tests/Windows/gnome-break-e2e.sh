#!/usr/bin/env bash
# End to end on Debian's real GNOME Shell under Wayland (tests/support/with-gnome-shell.sh), with
# a native Wayland terminal focused: 20 breaks in a row, a few seconds of work apart. Each time
# the pill and the cursor card leave the keyboard with the terminal, the main break cover gets
# Mutter's keyboard focus, and a double Tab sent through Mutter skips the break; no key reaches
# the terminal under the cover, and the shell's log has no transient-for warning.
#
#   gnome-break-e2e.sh OSTAVEL STORE_DEFAULTS ARTIFACT_DIR
set -u
ostavel="$1"
store_defaults="$2"
artifacts="$3"
breaks=20
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png "$artifacts"/*.log
# shellcheck source=../support/e2e-lib.sh
source "$(dirname "$0")/../support/e2e-lib.sh"
# shellcheck source=../support/gnome-lib.sh
source "$(dirname "$0")/../support/gnome-lib.sh"
session_log="$XDG_DATA_HOME/Ostavel/session.log"
show_on_failure ostavel "$artifacts/ostavel.log"
show_on_failure session "$session_log"
show_on_failure gnome-shell "$OSTAVEL_GNOME_SHELL_LOG"

# The terminal's shell records every byte typed into it.
keys="$artifacts/terminal-keys.log"
recorder="$OSTAVEL_TEST_SESSION_ROOT/record-keys.sh"
printf '#!/bin/sh\nstty -icanon -echo\nexec cat >"%s"\n' "$keys" >"$recorder"
chmod +x "$recorder"
terminal="Wayland Terminal"
weston-terminal --shell="$recorder" >"$artifacts/weston-terminal.log" 2>&1 &
pids+=($!)
terminal_ready() { [ -f "$keys" ] && gnome_focus_is "$terminal"; }
wait_for 20 terminal_ready || fail "the terminal did not get the keyboard"
gnome_key a
wait_for 5 grep -q a "$keys" || fail "keys sent through Mutter do not reach the terminal"

"$store_defaults" --configuration '{"workDurationSeconds":3,"preAlertDurationSeconds":2,
    "cursorAlertDurationSeconds":1,"breakDurationSeconds":60,"idleThresholdSeconds":600,
    "tickIntervalSeconds":0.25,"longBreakEnabled":false,"sendAnonymousCrashReports":false}' \
    --bool com.ostavel.menuBarHintShown=true --bool com.ostavel.onboardingCompleted=true ||
    fail "could not store the configuration"

QT_LOGGING_RULES="com.ostavel.app.*.info=true" "$ostavel" >"$artifacts/ostavel.log" 2>&1 &
ostavel_pid=$!
pids=("$ostavel_pid" "${pids[@]}")

# Titles of the windows the shell shows, one a line.
shown() { gnome_eval 'global.get_window_actors().map(a => a.meta_window.get_title()).join("\n")'; }
shows() { shown | grep -qx "$1"; }
count() { grep -c "$1" "$session_log" 2>/dev/null; }
at_least() { [ "$(count "$1")" -ge "$2" ]; }

# Mutter gives the cover its keyboard focus, and then XWayland its X focus, which is where the keys
# go: only once both are there does a person see the cover and can press Tab.
cover_has_keyboard() {
    gnome_focus_is "Ostavel Break" &&
        [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "Ostavel Break" ]
}
missed=0
for ((i = 1; i <= breaks; i++)); do
    if [ "$i" = 1 ]; then
        # Neither warning takes the keyboard from the terminal.
        wait_for 20 shows "Ostavel Pre-Alert" || fail "no pre-alert pill"
        gnome_focus_is "$terminal" || fail "the pill took the keyboard: $(gnome_focus_title)"
        wait_for 10 shows "Ostavel Cursor Alert" || fail "no cursor card"
        gnome_focus_is "$terminal" || fail "the cursor card took the keyboard: $(gnome_focus_title)"
    fi
    wait_for 20 at_least "→ On Break" "$i" || fail "break $i did not start"
    if ! wait_for 5 cover_has_keyboard; then
        missed=$((missed + 1))
        echo "break $i: the keyboard stayed with '$(gnome_focus_title)'"
        gnome_screenshot "$artifacts/break-$i-no-keyboard.png"
    fi
    [ "$i" = 1 ] && gnome_screenshot "$artifacts/break.png"
    # Two presses well within 0.4 s of each other.
    gnome_key Tab Tab
    wait_for 5 at_least "On Break → Idle" "$i" || fail "double Tab did not end break $i"
done
echo "the break cover took the keyboard in $((breaks - missed)) of $breaks breaks"
[ "$missed" = 0 ] || fail "the cover missed the keyboard in $missed of $breaks breaks"
[ "$(grep -c "Skip break" "$artifacts/ostavel.log")" = "$breaks" ] || fail "not every break was skipped"
grep -q "$(printf '\t')" "$keys" && fail "Tab presses reached the terminal under the cover"
wait_for 5 gnome_focus_is "$terminal" || fail "the keyboard did not return to the terminal"

kill -0 "$ostavel_pid" 2>/dev/null || fail "ostavel exited"
cp "$OSTAVEL_GNOME_SHELL_LOG" "$artifacts/gnome-shell.log"
if grep "WM_TRANSIENT_FOR" "$OSTAVEL_GNOME_SHELL_LOG"; then
    fail "the shell warns about our windows' transient parents"
fi
echo "$breaks breaks on GNOME Shell, each ended by double Tab from the keyboard"
