#!/usr/bin/env bash
# What the settings window costs the idle process: starts the real binary in a fresh Xvfb
# desktop with a window manager (openbox, stock key bindings), a tray host, a private session bus and a null sound server,
# and reads its proportional set size (PSS, /proc/PID/smaps_rollup) before the window was ever
# opened, while it is open (after a visit to every tab), and after it was closed again.
# Target: the closed window costs <= 3 MB.
#
#   bench/settings-footprint.sh [path/to/ostavel]      (default: build/src/ostavel)
#
# OSTAVEL_BENCH_SHOT=file.png saves a screenshot while the window is open.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=../tests/support/e2e-lib.sh
source "$root/tests/support/e2e-lib.sh"

if [ "${1:-}" != "--inside" ]; then
    binary="$(bench_binary "${1:-}")"
    rerun_in_session --services=x11,dbus,pulse -- "$binary"
fi
binary="$2"
settle="${OSTAVEL_BENCH_SETTLE:-10}"

# A window manager with its stock key bindings, so that Alt+F4 closes the window as on a desktop.
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
start_tray_host /dev/null --height 24
sleep 1

store_first_run_done

"$binary" >"$OSTAVEL_TEST_SESSION_ROOT/ostavel.log" 2>&1 &
pid=$!
pids=("$pid" "${pids[@]}")

# PSS, and the private dirty memory (the heap and the like) that this process alone pays for;
# the shared libraries' share of PSS moves with whatever else runs on the machine.
pss() { awk '/^Pss:/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/smaps_rollup"; }
private() { awk '/^Private_Dirty:/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/smaps_rollup"; }
settings_window() { xdotool search --name '^Ostavel Settings$' 2>/dev/null | head -1; }
settings_open() { [ -n "$(settings_window)" ]; }
settings_closed() { [ -z "$(settings_window)" ]; }

icon=""
find_icon() {
    icon=$(tray_icon_window "$pid")
    [ -n "$icon" ]
}
open_menu() {
    xdotool mousemove --window "$icon" 8 8 click 1
    sleep 0.7
}
# "Settings…" from the keyboard: the last item is "Quit Ostavel".
open_settings() {
    open_menu
    xdotool key Up Up Return
    wait_for 10 settings_open || { echo "the settings window did not open" >&2; exit 1; }
    local window
    window=$(settings_window)
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    for _ in 1 2 3; do
        sleep 1
        xdotool key ctrl+Tab
    done
    sleep 2
}
# Closed as the user does: the window manager asks the window to close.
close_settings() {
    xdotool windowactivate --sync "$(settings_window)" 2>/dev/null || true
    xdotool key alt+F4
    wait_for 5 settings_closed || { echo "the settings window did not close" >&2; exit 1; }
    sleep 5
}

sleep "$settle"
kill -0 "$pid" 2>/dev/null || { echo "ostavel exited" >&2; exit 1; }
wait_for 10 find_icon || { echo "no tray icon" >&2; exit 1; }
# The menu is the delegate's and stays once made: open it once before the first reading.
open_menu
xdotool key Escape
sleep 2
before=$(pss)
before_private=$(private)

open_settings
[ -n "${OSTAVEL_BENCH_SHOT:-}" ] && screenshot "$OSTAVEL_BENCH_SHOT"
open=$(pss)
open_private=$(private)
close_settings
after=$(pss)
after_private=$(private)

# A second visit shows whether each one leaves something behind.
open_settings
close_settings
again=$(pss)
again_private=$(private)

echo "before the first open: PSS $before MB, private dirty $before_private MB"
echo "with the window open:  PSS $open MB, private dirty $open_private MB"
echo "after it closed:       PSS $after MB, private dirty $after_private MB"
echo "after a second visit:  PSS $again MB, private dirty $again_private MB"
awk -v b="$before" -v a="$after" -v bp="$before_private" -v ap="$after_private" 'BEGIN {
    printf "cost while closed: PSS %+.1f MB, private dirty %+.1f MB   target <= 3 MB\n", a - b, ap - bp }'
