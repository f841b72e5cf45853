# shellcheck shell=bash
# wait_for SECONDS COMMAND...: polls the command until it succeeds; false once the seconds are up.
# Shared by tests/support/with-session.sh and e2e-lib.sh.
wait_for() {
    local seconds="$1"
    shift
    for _ in $(seq 1 $((seconds * 20))); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}
