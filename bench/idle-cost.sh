#!/usr/bin/env bash
# Idle cost of the running application: starts the real binary in a fresh Xvfb desktop with a
# tray host (trayer), a private session bus and a null sound server (as on a desktop), waits 10 s, then reads its proportional set size
# (PSS, /proc/PID/smaps_rollup) and its CPU time (utime+stime of all threads, /proc/PID/stat)
# over 30 s. Targets: PSS <= 25 MB, CPU <= 0.05 %.
#
#   bench/idle-cost.sh [path/to/ostavel]      (default: build/src/ostavel)
#
# OSTAVEL_BENCH_CONFIGURATION='{"breakBlockMeetingEnabled":false}' stores a configuration first
# (JSON as the settings hold it), for example to see the cost without the blocker checks.
# OSTAVEL_BENCH_OUTAGE=pulse (or pulse,dbus) stops the sound server (and the session bus) once the
# application has settled, and measures the outage: reconnecting must not cost more than idling.
# OSTAVEL_BENCH_OUTAGE=frozen-pulse freezes the sound server instead (SIGSTOP), as a stuck daemon.
#
# utime+stime count in clock ticks (10 ms), too coarse for 0.05 % of 30 s, so the scheduler's
# nanosecond run time of every thread (/proc/PID/task/*/schedstat) is given beside it.
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
window="${OSTAVEL_BENCH_WINDOW:-30}"

start_tray_host /dev/null --height 24
sleep 1

# A user who has been through the first run: the direct path, as on every later login.
store_first_run_done "${OSTAVEL_BENCH_CONFIGURATION:-}"

"$binary" >"$OSTAVEL_TEST_SESSION_ROOT/ostavel.log" 2>&1 &
pid=$!
pids=("$pid" "${pids[@]}")

per_thread() { for t in /proc/"$pid"/task/*; do echo "$(cat $t/comm) $(awk '{print $1, $3}' $t/schedstat)"; done; }

[ -n "${OSTAVEL_BENCH_CONFIGURATION:-}" ] && echo "configuration: $OSTAVEL_BENCH_CONFIGURATION"
sleep "$settle"
case ",${OSTAVEL_BENCH_OUTAGE:-}," in *,pulse,*) kill "$OSTAVEL_TEST_PULSE_PID"; echo "outage: sound server stopped" ;; esac
case ",${OSTAVEL_BENCH_OUTAGE:-}," in *,frozen-pulse,*) kill -STOP "$OSTAVEL_TEST_PULSE_PID"; echo "outage: sound server frozen" ;; esac
case ",${OSTAVEL_BENCH_OUTAGE:-}," in *,dbus,*) kill "$OSTAVEL_TEST_DBUS_PID"; echo "outage: session bus stopped" ;; esac
[ -n "${OSTAVEL_BENCH_OUTAGE:-}" ] && sleep 5
kill -0 "$pid" 2>/dev/null || { echo "ostavel exited:" >&2; cat "$OSTAVEL_TEST_SESSION_ROOT/ostavel.log" >&2; exit 1; }
ticks_before=$(cpu_ticks "$pid")
ns_before=$(run_ns "$pid")
[ -n "${OSTAVEL_BENCH_THREADS:-}" ] && per_thread >&2
sleep "$window"
[ -n "${OSTAVEL_BENCH_THREADS:-}" ] && per_thread >&2
ticks_after=$(cpu_ticks "$pid")
ns_after=$(run_ns "$pid")
pss_kb=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup")
rss_kb=$(awk '/^Rss:/ { print $2 }' "/proc/$pid/smaps_rollup")
threads=$(ls "/proc/$pid/task" | wc -l)
hz=$(getconf CLK_TCK)

awk -v pss="$pss_kb" -v rss="$rss_kb" -v t0="$ticks_before" -v t1="$ticks_after" -v hz="$hz" \
    -v n0="$ns_before" -v n1="$ns_after" -v w="$window" -v threads="$threads" 'BEGIN {
    printf "PSS:  %.1f MB (RSS %.1f MB, %d threads)   target <= 25 MB\n", pss / 1024, rss / 1024, threads
    printf "CPU:  %.3f %% over %d s (utime+stime %d ticks of 1/%d s)   target <= 0.05 %%\n", \
        (t1 - t0) / hz / w * 100, w, t1 - t0, hz
    printf "CPU:  %.4f %% over %d s (scheduler run time %.1f ms)\n", \
        (n1 - n0) / 1e9 / w * 100, w, (n1 - n0) / 1e6
}'
