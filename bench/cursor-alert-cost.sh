#!/usr/bin/env bash
# The cursor card's cost on a real X server: pointer reads per second and process CPU while the
# card is shown, and the same once it is hidden (zero reads, no poll timer). Runs
# cursoralertbench in a private Xvfb session while xdotool, a separate process, keeps moving the
# pointer, so the figures hold only the card's own work.
#
#   bench/cursor-alert-cost.sh [path/to/cursoralertbench]   (default: build/bench/cursoralertbench)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=../tests/support/e2e-lib.sh
source "$root/tests/support/e2e-lib.sh"

if [ "${1:-}" != "--inside" ]; then
    binary="$(realpath "${1:-$root/build/bench/cursoralertbench}")"
    [ -x "$binary" ] || { echo "no benchmark at $binary (build first)" >&2; exit 1; }
    rerun_in_session --services=x11 -- "$binary"
fi
binary="$2"

(
    x=0
    while true; do
        xdotool mousemove $((400 + x)) 300 >/dev/null 2>&1 || true
        x=$(((x + 7) % 200))
        sleep 0.1
    done
) &
pids+=($!)
QT_QPA_PLATFORM=xcb "$binary"
