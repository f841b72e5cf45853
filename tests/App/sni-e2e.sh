#!/usr/bin/env bash
# The real binary against a fake StatusNotifierItem watcher and host on the private session bus:
# a host that appears after Ostavel, the item's click position, a watcher restart, Ctrl+Q in the
# open menu, and a host that was there before Ostavel. Run inside tests/support/with-session.sh
# (x11, dbus).
#
#   sni-e2e.sh OSTAVEL STORE_DEFAULTS FAKE_WATCHER ARTIFACT_DIR
set -u
ostavel="$1"
store_defaults="$2"
fake_watcher="$3"
artifacts="$4"
mkdir -p "$artifacts"
rm -f "$artifacts"/sni-*.log
# shellcheck source=../support/e2e-lib.sh
source "$(dirname "$0")/../support/e2e-lib.sh"
show_on_failure - "$artifacts/sni-*.log"

count() { grep -c "$1" "$2" 2>/dev/null; }
# Whether the watcher has read a whole icon from the item $1 times.
registered() {
    [ "$(count "^registered .* icons=6 size=64x64 complete=True" "$artifacts/sni-watcher.log")" = "$1" ]
}

start_watcher() {
    /usr/bin/python3 "$fake_watcher" --host-after "$1" >>"$artifacts/sni-watcher.log" 2>&1 &
    watcher=$!
    pids+=("$watcher")
}
start_ostavel() {
    QT_LOGGING_RULES="com.ostavel.app.*.info=true" "$ostavel" >"$artifacts/sni-$1.log" 2>&1 &
    ostavel_pid=$!
    pids+=("$ostavel_pid")
}

"$store_defaults" --bool com.ostavel.onboardingCompleted=true || fail "could not store defaults"

# A host that comes up after Ostavel: the watcher once Ostavel has said that there is no tray (at
# the end of its 1 s grace), its host 3 s later.
start_ostavel late
wait_for 10 grep -q "No system tray is available" "$artifacts/sni-late.log" ||
    fail "the missing tray was not logged"
start_watcher 3
wait_for 5 grep -q "host registered" "$artifacts/sni-watcher.log" || fail "the fake host did not start"
wait_for 2 registered 1 || fail "no icon within 2 s of the host"
wait_for 1 grep -q "Tray icon shown" "$artifacts/sni-late.log" || fail "the icon was not logged"
[ "$(count "No system tray is available" "$artifacts/sni-late.log")" = 1 ] ||
    fail "the missing tray was not logged exactly once"
service=$(sed -n 's/^registered \([^ ]*\) .*/\1/p' "$artifacts/sni-watcher.log" | head -1)

# Activate at a position opens the menu there.
menu_at() {
    for w in $(xdotool search --all --pid "$ostavel_pid" --onlyvisible 2>/dev/null); do
        xdotool getwindowgeometry "$w" 2>/dev/null | grep -q "Position: $1 " && return 0
    done
    return 1
}
gdbus call --session --dest "$service" --object-path /StatusNotifierItem \
    --method org.kde.StatusNotifierItem.Activate 300 200 >/dev/null || fail "Activate failed"
wait_for 2 menu_at "300,200" || fail "the menu did not open at 300,200"
xdotool key Escape

# The watcher dies and comes back, with its host: the item registers again.
kill "$watcher"
wait "$watcher" 2>/dev/null
start_watcher 0
wait_for 2 registered 2 || fail "no icon within 2 s of the restarted host"

# Ctrl+Q in the open menu quits.
gdbus call --session --dest "$service" --object-path /StatusNotifierItem \
    --method org.kde.StatusNotifierItem.ContextMenu 40 30 >/dev/null || fail "ContextMenu failed"
wait_for 2 menu_at "40,30" || fail "the menu did not open at 40,30"
xdotool key ctrl+q
wait_for 3 bash -c "! kill -0 $ostavel_pid 2>/dev/null" || fail "Ctrl+Q in the open menu did not quit"

# A host that was there before Ostavel.
start_ostavel early
wait_for 2 registered 3 || fail "no icon within 2 s with the host already up"
wait_for 1 grep -q "Tray icon shown" "$artifacts/sni-early.log" || fail "the icon was not logged"
grep -q "No system tray is available" "$artifacts/sni-early.log" && fail "a tray was reported missing"
echo "StatusNotifierItem hosts: late, restarted and early all show the icon"
