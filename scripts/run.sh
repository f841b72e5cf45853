#!/usr/bin/env bash
# Installs what is missing, builds, and starts Ostavel.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh -DOSTAVEL_BUILD_TESTS=OFF -DOSTAVEL_BUILD_BENCHMARKS=OFF
build_dir="${OSTAVEL_BUILD_DIR:-build}"
if [ -x "$build_dir/src/ostavel" ]; then
    exec "$build_dir/src/ostavel" "$@"
fi
echo "Built the engine; the application shell is not part of this build yet."
