#!/usr/bin/env bash
# Installs what building and running needs, builds, and starts Ostavel.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh run
bash scripts/build.sh -DOSTAVEL_BUILD_TESTS=OFF -DOSTAVEL_BUILD_BENCHMARKS=OFF
build_dir="${OSTAVEL_BUILD_DIR:-build}"
exec "$build_dir/src/ostavel" "$@"
