#!/usr/bin/env bash
# Cost of the break surfaces in the running application, on a desktop of two RandR monitors with
# openbox and xcompmgr (Xvfb, private session bus, null sound server):
#   1. from the engine's break start to every screen's window drawing its first frame (the
#      application logs it; target <= 100 ms);
#   2. CPU of the whole process while a 20 s break shows, fades included (utime+stime and the
#      scheduler's run time of all threads; target <= 2 %);
#   3. PSS growth over 50 short work/break cycles after two warm-up cycles (target <= 1 MB).
#
#   bench/break-cost.sh [path/to/ostavel] [path/to/ostavel_store_defaults]
#
# OSTAVEL_BENCH_CYCLES changes the number of cycles of step 3.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ "${1:-}" != "--inside" ]; then
    binary="$(realpath "${1:-$root/build/src/ostavel}")"
    store="$(realpath "${2:-$root/build/tests/App/ostavel_store_defaults}")"
    [ -x "$binary" ] && [ -x "$store" ] || { echo "build ostavel and ostavel_store_defaults first" >&2; exit 1; }
    exec bash "$root/tests/support/with-session.sh" --services=x11,wm,dbus,pulse \
        --screen=2560x800x24 bash "$0" --inside "$binary" "$store"
fi
binary="$2"
store="$3"
cycles="${OSTAVEL_BENCH_CYCLES:-50}"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

xrandr --setmonitor '*left' 1280/338x800/211+0+0 screen >/dev/null
xrandr --setmonitor right 1280/338x800/211+1280+0 none >/dev/null
xcompmgr >/dev/null 2>&1 &
pids+=($!)
# A tray host, as on a desktop: the tray icon's text has loaded the fonts before the first break.
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
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
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
run_ns() { cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { print s }'; }
pss_kb() { awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup"; }

# 1 and 2: one 20 s break, the first of this run.
start '{"workDurationSeconds":3,"preAlertDurationSeconds":1,"cursorAlertDurationSeconds":0,
        "breakDurationSeconds":20,"idleThresholdSeconds":100000,"longBreakEnabled":false,"sendAnonymousCrashReports":false}'
wait_count "→ On Break" 1 30
ticks0=$(cpu_ticks)
ns0=$(run_ns)
wait_count "On Break → Idle" 1 30
ticks1=$(cpu_ticks)
ns1=$(run_ns)
mapped=$(sed -n 's/.*Break windows on screen after \([0-9]*\) ms.*/\1/p' "$log" | head -1)
stop
hz=$(getconf CLK_TCK)
echo "break start to every window drawn: ${mapped:-?} ms (2 screens)   target <= 100 ms"
awk -v t0="$ticks0" -v t1="$ticks1" -v n0="$ns0" -v n1="$ns1" -v hz="$hz" 'BEGIN {
    printf "CPU during a 20 s break: %.2f %% (utime+stime %d ticks), %.2f %% (run time %.0f ms)   target <= 2 %%\n", \
        (t1 - t0) / hz / 20 * 100, t1 - t0, (n1 - n0) / 1e9 / 20 * 100, (n1 - n0) / 1e6
}'

# 3: short cycles.
start '{"workDurationSeconds":1,"preAlertDurationSeconds":1,"cursorAlertDurationSeconds":0,
        "breakDurationSeconds":1,"idleThresholdSeconds":100000,"longBreakEnabled":false,
        "sendAnonymousCrashReports":false}'
wait_count "On Break → Idle" 2 60
sleep 0.5
pss0=$(pss_kb)
wait_count "On Break → Idle" $((cycles + 2)) $((cycles * 10))
sleep 0.5
pss1=$(pss_kb)
stop
sed -n 's/.*Break windows on screen after \([0-9]*\) ms.*/\1/p' "$log" | sort -n | awk '
    { v[NR] = $1 } END { if (NR) printf "break start to every window drawn over %d short cycles: median %d ms, max %d ms\n", NR, v[int((NR + 1) / 2)], v[NR] }'
awk -v a="$pss0" -v b="$pss1" -v n="$cycles" 'BEGIN {
    printf "PSS after 2 warm-up cycles %.1f MB, after %d more %.1f MB: growth %+.2f MB   target <= 1 MB\n", \
        a / 1024, n, b / 1024, (b - a) / 1024
}'
