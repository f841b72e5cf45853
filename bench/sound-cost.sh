#!/usr/bin/env bash
# What the event sounds cost the running application, alone in a fresh desktop (Xvfb, tray host,
# session bus, null sound server):
#  1. RSS and Private_Dirty (/proc/PID/smaps_rollup) once settled and before any sound, and again
#     after three complete break cycles with their sounds (the sink's monitor is recorded and the
#     sounds heard are counted). Targets: RSS <= 36 MB after, at most 2 MB above the figure before.
#  2. The time from play() returning to the sound starting on a null sink (soundlatencybench).
#     Target: <= 50 ms.
#
#   bench/sound-cost.sh [path/to/ostavel]      (default: build/src/ostavel)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=../tests/support/e2e-lib.sh
source "$root/tests/support/e2e-lib.sh"

if [ "${1:-}" != "--inside" ]; then
    binary="$(bench_binary "${1:-}")"
    latency="$(dirname "$binary")/../bench/soundlatencybench"
    if [ -x "$latency" ]; then
        bash "$root/tests/support/with-session.sh" --services=pulse "$latency" 2>/dev/null |
            grep -E "^BM_|^Benchmark"
    fi
    rerun_in_session --services=x11,dbus,pulse -- "$binary"
fi
binary="$2"

start_tray_host /dev/null --height 24
sleep 1

# A user past the first run, with short cycles: 16 s of work (the pre-alert at 13 s), a 3 s break.
configuration='{"workDurationSeconds":16,"preAlertDurationSeconds":3,"cursorAlertDurationSeconds":2,"breakDurationSeconds":3,"longBreakEnabled":false,"sendAnonymousCrashReports":false}'
store_first_run_done "$configuration"

recording="$OSTAVEL_TEST_SESSION_ROOT/monitor.raw"
parec --device=ostavel_null_sink.monitor --raw --format=s16le --rate=8000 --channels=1 \
    >"$recording" 2>/dev/null &
pids+=($!)

xdotool mousemove 400 400
"$binary" >"$OSTAVEL_TEST_SESSION_ROOT/ostavel.log" 2>&1 &
pid=$!
pids=("$pid" "${pids[@]}")
session_log="$XDG_DATA_HOME/Ostavel/session.log"

memory() {
    awk '/^Rss:/ { r = $2 } /^Private_Dirty:/ { d = $2 }
         END { printf "RSS %.1f MB, Private_Dirty %.1f MB", r / 1024, d / 1024 }' \
        "/proc/$pid/smaps_rollup"
}
rss_kb() { awk '/^Rss:/ { print $2 }' "/proc/$pid/smaps_rollup"; }

sleep 10
grep -q "Working → Pre-Alert" "$session_log" 2>/dev/null && { echo "a sound came too early" >&2; exit 1; }
echo "before any sound:      $(memory)"
before=$(rss_kb)

# Three cycles: keep still through each break, then move to start the next work period.
for cycle in 1 2 3; do
    deadline=$((SECONDS + 40))
    until [ "$(grep -c "On Break → Idle" "$session_log" 2>/dev/null)" -ge "$cycle" ]; do
        [ "$SECONDS" -lt "$deadline" ] || { echo "cycle $cycle did not end" >&2; exit 1; }
        sleep 0.5
    done
    xdotool mousemove $((400 + cycle * 20)) 400
done
sleep 3
echo "after three breaks:    $(memory)"
after=$(rss_kb)

# Sounds heard on the sink: a run of loud 10 ms blocks after at least 200 ms of quiet.
heard=$(od -An -v -t d2 -w160 "$recording" | awk '
    { loud = 0; for (i = 1; i <= NF; i++) if ($i > 1000 || $i < -1000) loud = 1
      if (loud && quiet >= 20) n++
      quiet = loud ? 0 : quiet + 1 }
    BEGIN { quiet = 20 } END { print n + 0 }')
echo "sounds heard:          $heard (3 a cycle expected: 9)"
awk -v b="$before" -v a="$after" 'BEGIN {
    printf "RSS after breaks %.1f MB (target <= 36), %+.1f MB over before (target <= 2)\n",
        a / 1024, (a - b) / 1024 }'
