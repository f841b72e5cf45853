#!/usr/bin/env bash
# Cost of the break surfaces in the running application, on a desktop of two RandR monitors with
# openbox and xcompmgr (Xvfb, private session bus, null sound server):
#   1. from the engine's break start to every screen's window being mapped, and to every window
#      having drawn its first frame (the application logs both; target <= 100 ms for mapped);
#   2. CPU of the whole process while a 20 s break shows, fades included (utime+stime and the
#      scheduler's run time of all threads; target <= 2 %);
#   3. PSS and Private_Dirty growth over 50 short work/break cycles after two warm-up cycles
#      (targets <= 1 MB and, from the 5th break to the 50th, <= 0.3 MB);
#   4. the same with the pill, the cursor countdown and sounds at every break and a long break
#      every third;
#   5. RSS after three short cycles and 40 s at rest (target <= 38 MB).
#
#   bench/break-cost.sh [path/to/ostavel] [path/to/ostavel_store_defaults]
#
# OSTAVEL_BENCH_CYCLES changes the number of cycles of steps 3 and 4.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=../tests/support/e2e-lib.sh
source "$root/tests/support/e2e-lib.sh"

if [ "${1:-}" != "--inside" ]; then
    binary="$(realpath "${1:-$root/build/src/ostavel}")"
    store="$(realpath "${2:-$root/build/tests/App/ostavel_store_defaults}")"
    [ -x "$binary" ] && [ -x "$store" ] || { echo "build ostavel and ostavel_store_defaults first" >&2; exit 1; }
    rerun_in_session --services=x11,wm,dbus,pulse --screen=2560x800x24 -- "$binary" "$store"
fi
binary="$2"
store="$3"
cycles="${OSTAVEL_BENCH_CYCLES:-50}"

add_monitor left
add_monitor right
start_compositor /dev/null
# A tray host, as on a desktop: the tray icon's text has loaded the fonts before the first break.
start_tray_host /dev/null --height 24
session_log="$XDG_DATA_HOME/Ostavel/session.log"
log="$OSTAVEL_TEST_SESSION_ROOT/ostavel.log"

# Starts the binary with a stored configuration; the pointer keeps still from here on.
start() {
    rm -f "$session_log"
    "$store" --configuration "$1" --bool com.ostavel.onboardingCompleted=true \
        --bool com.ostavel.menuBarHintShown=true
    QT_LOGGING_RULES="com.ostavel.app.BreakWindow.info=true" "$binary" >"$log" 2>&1 &
    pid=$!
    pids=("$pid" "${pids[@]}")
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; pids=("${pids[@]:1}"); }
count() { local c; c=$(grep -c "$1" "$session_log" 2>/dev/null); echo "${c:-0}"; }
wait_count() { # pattern count timeout-seconds
    for _ in $(seq 1 $(($3 * 20))); do
        [ "$(count "$1")" -ge "$2" ] && return 0
        sleep 0.05
    done
    echo "timed out waiting for '$1' x$2" >&2
    cat "$log" >&2
    exit 1
}
pss_kb() { awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup"; }

# 1 and 2: one 20 s break, the first of this run.
start '{"workDurationSeconds":3,"preAlertDurationSeconds":1,"cursorAlertDurationSeconds":0,
        "breakDurationSeconds":20,"idleThresholdSeconds":100000,"longBreakEnabled":false,"sendAnonymousCrashReports":false}'
wait_count "Idle → Working" 1 30
sleep 1
pss_before=$(pss_kb)
wait_count "→ On Break" 1 30
ticks0=$(cpu_ticks "$pid")
ns0=$(run_ns "$pid")
wait_count "On Break → Idle" 1 30
ticks1=$(cpu_ticks "$pid")
ns1=$(run_ns "$pid")
sleep 1.5
pss_after=$(pss_kb)
mapped=$(sed -n 's/.*Break windows mapped after \([0-9]*\) ms, drawn after \([0-9]*\) ms.*/\1 ms, drawn \2 ms/p' "$log" | head -1)
stop
hz=$(getconf CLK_TCK)
echo "first break, start to every window mapped: ${mapped:-?} (2 screens)   target <= 100 ms"
awk -v t0="$ticks0" -v t1="$ticks1" -v n0="$ns0" -v n1="$ns1" -v hz="$hz" 'BEGIN {
    printf "CPU during a 20 s break: %.2f %% (utime+stime %d ticks), %.2f %% (run time %.0f ms)   target <= 2 %%\n", \
        (t1 - t0) / hz / 20 * 100, t1 - t0, (n1 - n0) / 1e9 / 20 * 100, (n1 - n0) / 1e6
}'

awk -v a="$pss_before" -v b="$pss_after" 'BEGIN {
    printf "PSS before the first break %.1f MB, 1.5 s after it %.1f MB\n", a / 1024, b / 1024 }'

# 3 and 4: short work/break cycles. Memory is read 1.5 s after each break ends, when its windows
# are gone and the next break is seconds away, so every reading is taken at the same point of a
# cycle. PSS growth compares the median of the first five readings with that of the last five;
# Private_Dirty growth the 5th break's reading with the last one's.
median5() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
dirty_kb() { awk '/^Private_Dirty:/ { print $2 }' "/proc/$pid/smaps_rollup"; }
cycles_run() { # label configuration
    start "$2"
    wait_count "On Break → Idle" 2 60
    local pss=() dirty=() n
    for n in $(seq 1 "$cycles"); do
        wait_count "On Break → Idle" $((n + 2)) 60
        sleep 1.5
        pss+=("$(pss_kb)")
        dirty+=("$(dirty_kb)")
    done
    echo "$1: PSS after each cycle (MB): $(printf '%s\n' "${pss[@]}" | awk '{ printf "%.1f ", $1 / 1024 }')"
    echo "$1: Private_Dirty after each cycle (MB): $(printf '%s\n' "${dirty[@]}" | awk '{ printf "%.2f ", $1 / 1024 }')"
    local pss0 pss1
    pss0=$(median5 "${pss[@]:0:5}")
    pss1=$(median5 "${pss[@]: -5}")
    stop
    awk -v a="$pss0" -v b="$pss1" -v n="$cycles" -v label="$1" 'BEGIN {
        printf "%s: PSS over %d cycles after 2 warm-up ones: median of the first five %.1f MB, of the last five %.1f MB: growth %+.2f MB   target <= 1 MB\n", \
            label, n, a / 1024, b / 1024, (b - a) / 1024
    }'
    awk -v a="${dirty[4]}" -v b="${dirty[-1]}" -v n="$cycles" -v label="$1" 'BEGIN {
        printf "%s: Private_Dirty after the 5th cycle %.2f MB, after the %dth %.2f MB: growth %+.2f MB   target <= 0.3 MB\n", \
            label, a / 1024, n, b / 1024, (b - a) / 1024
    }'
}

cycles_run "short breaks" '{"workDurationSeconds":1,"preAlertDurationSeconds":1,
    "cursorAlertDurationSeconds":0,"breakDurationSeconds":1,"idleThresholdSeconds":100000,
    "longBreakEnabled":false,"sendAnonymousCrashReports":false}'
for what in mapped drawn; do
    sed -n "s/.*Break windows mapped after \([0-9]*\) ms, drawn after \([0-9]*\) ms.*/\1 \2/p" "$log" |
        awk -v w="$what" '{ print (w == "mapped" ? $1 : $2) }' | sort -n | awk -v w="$what" '
        { v[NR] = $1 } END { if (NR) printf "break start to every window %s over %d short cycles: median %d ms, max %d ms\n", w, NR, v[int((NR + 1) / 2)], v[NR] }'
done

# The pill, the cursor countdown and the sounds at every break, and every third break a long one.
cycles_run "with alerts and long breaks" '{"workDurationSeconds":2,"preAlertDurationSeconds":2,
    "cursorAlertDurationSeconds":1,"breakDurationSeconds":1,"longBreakEnabled":true,
    "longBreakIntervalBreaks":3,"longBreakDurationSeconds":2,"idleThresholdSeconds":100000,
    "sendAnonymousCrashReports":false}'

# 5: memory at rest after a few breaks. Work counts while the pointer has been still for less than
# the idle threshold, so about three short cycles run before work stops; 40 s later nothing shows.
xdotool mousemove 700 300 mousemove 600 300
start '{"workDurationSeconds":1,"preAlertDurationSeconds":1,"cursorAlertDurationSeconds":0,
        "breakDurationSeconds":1,"idleThresholdSeconds":10,"naturalBreakSeconds":100000,
        "longBreakEnabled":false,"sendAnonymousCrashReports":false}'
wait_count "On Break → Idle" 3 60
sleep 40
rss=$(awk '/^Rss:/ { print $2 }' "/proc/$pid/smaps_rollup")
echo "RSS after $(count "On Break → Idle") short cycles and 40 s at rest: $(awk -v r="$rss" 'BEGIN { printf "%.1f", r / 1024 }') MB   target <= 38 MB"
stop
