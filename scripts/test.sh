#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Tests that need an X server, a session
# bus or a sound server start private ones themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
build_dir="${OSTAVEL_BUILD_DIR:-build}"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 300
