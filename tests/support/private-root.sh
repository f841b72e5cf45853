# Sourced by the session wrappers: `private_root NAME` makes a private folder for one run, with
# its own XDG folders (the runtime one 0700) exported, and sets up `pids`: the processes started
# for the run, stopped in reverse order, by PID only, when the wrapper exits.
# shellcheck shell=bash

private_root() {
    root=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
    pids=()
    trap stop_private_root EXIT
    trap 'exit 130' INT TERM
    mkdir -p "$root/runtime" "$root/config" "$root/data" "$root/cache" "$root/home"
    chmod 0700 "$root/runtime"
    export XDG_RUNTIME_DIR="$root/runtime"
    export XDG_CONFIG_HOME="$root/config"
    export XDG_DATA_HOME="$root/data"
    export XDG_CACHE_HOME="$root/cache"
    export OSTAVEL_TEST_SESSION_ROOT="$root"
}

stop_private_root() {
    local i pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null
    done
    rm -rf "$root"
}

# Runs the wrapped command and exits with its status. It is in `pids` only while it runs, so an
# interrupted wrapper stops it too, and a finished one is not waited for again.
run_in_private_root() {
    local child status
    "$@" &
    child=$!
    pids=("$child" "${pids[@]}")
    wait "$child"
    status=$?
    pids=("${pids[@]:1}")
    exit "$status"
}
