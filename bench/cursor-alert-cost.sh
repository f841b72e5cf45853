#!/usr/bin/env bash
# The cursor card's cost on a real X server: pointer reads per second and process CPU while the
# card is shown and follows a moving pointer, and the same once it is hidden (zero reads, no
# poll timer). Runs cursoralertbench in a private Xvfb session.
#
#   bench/cursor-alert-cost.sh [path/to/cursoralertbench]   (default: build/bench/cursoralertbench)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="$(realpath "${1:-$root/build/bench/cursoralertbench}")"
[ -x "$binary" ] || { echo "no benchmark at $binary (build first)" >&2; exit 1; }
QT_QPA_PLATFORM=xcb exec bash "$root/tests/support/with-session.sh" --services=x11 "$binary"
