#!/usr/bin/env bash
# Launch twice: the second launch logs one line and exits with status 0, the first keeps running.
# An instance killed without cleaning up leaves its lock behind, and the next launch takes it
# over; a FIFO in the lock's place never blocks a launch. Run inside tests/support/with-session.sh (x11, dbus).
#
#   single-instance.sh OSTAVEL STORE_DEFAULTS
set -u
ostavel="$1"
store_defaults="$2"
logs="$OSTAVEL_TEST_SESSION_ROOT"
# shellcheck source=../support/e2e-lib.sh
source "$(dirname "$0")/../support/e2e-lib.sh"
show_on_failure - "$logs/launch-*.log"

launch() {
    "$ostavel" >"$logs/launch-$1.log" 2>&1 &
    pids+=($!)
    wait_for 20 grep -q "Ostavel launched" "$logs/launch-$1.log" || fail "launch $1 did not start"
}

"$store_defaults" --bool com.ostavel.onboardingCompleted=true || fail "could not store settings"

launch first
first=${pids[-1]}

# A generous bound: the point is that the second launch ends by itself, not how fast.
started=$(date +%s%N)
timeout 10 "$ostavel" >"$logs/launch-second.log" 2>&1
status=$?
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
[ "$status" = 0 ] || fail "the second launch exited with $status"
[ "$(grep -c "Ostavel is already running (PID $first); this launch exits" \
    "$logs/launch-second.log")" = 1 ] || fail "the second launch did not say why it exits"
grep -q "Ostavel launched" "$logs/launch-second.log" && fail "the second launch started an engine"
kill -0 "$first" 2>/dev/null || fail "the first instance stopped"

# The first instance dies without removing its lock; the next launch takes the lock over.
kill -KILL "$first"
wait "$first" 2>/dev/null
launch third
third=${pids[-1]}
# Still running and holding the lock: a launch after it is sent away in its name.
timeout 10 "$ostavel" >"$logs/launch-fourth.log" 2>&1
grep -q "Ostavel is already running (PID $third); this launch exits" "$logs/launch-fourth.log" ||
    fail "the launch after a crash did not hold the lock"
kill -0 "$third" 2>/dev/null || fail "the launch after a crash did not keep running"

# A FIFO in the lock's place would block the read of its owner: the launch goes on without a lock.
kill "$third"
wait "$third" 2>/dev/null
rm -f "$XDG_RUNTIME_DIR/ostavel.lock"
mkfifo "$XDG_RUNTIME_DIR/ostavel.lock"
launch fifo
grep -q "ostavel.lock is not a lock file; not checking for another running instance" \
    "$logs/launch-fifo.log" || fail "the launch over a FIFO lock did not say why it goes on"
echo "second launch exited after $elapsed_ms ms; a dead instance's lock was taken over"
