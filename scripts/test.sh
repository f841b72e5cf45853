#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Tests that need an X server, a session
# bus or a sound server start private ones themselves. Tests and benchmarks are turned on here,
# whatever an earlier configure (scripts/run.sh turns them off) left in the cache, and finding no
# test at all is a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
bash scripts/build.sh -DOSTAVEL_BUILD_TESTS=ON -DOSTAVEL_BUILD_BENCHMARKS=ON
build_dir="${OSTAVEL_BUILD_DIR:-build}"
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error --parallel "$(nproc)" \
    --timeout 300
