#!/usr/bin/env bash
# scripts/run.sh and scripts/test.sh share one build folder. Whichever ran before, test.sh must
# build the tests and benchmarks and run the tests, run.sh must still start the application, and
# a build without tests must fail test.sh. The real scripts drive a stand-in project that needs
# no compiler, so nothing of Ostavel is rebuilt.
#
#   run-then-test.sh SCRIPTS_DIR
set -u
scripts="$1"
root=$(mktemp -d "${TMPDIR:-/tmp}/ostavel-scripts.XXXXXX")
trap 'rm -rf "$root"' EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$root/out.log" ] && sed 's/^/  /' "$root/out.log" >&2
    exit 1
}

mkdir -p "$root/scripts"
cp "$scripts/run.sh" "$scripts/test.sh" "$scripts/build.sh" "$root/scripts/"
printf '#!/usr/bin/env bash\n' >"$root/scripts/deps.sh"
cat >"$root/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(StandIn LANGUAGES NONE)
option(OSTAVEL_BUILD_TESTS "" ON)
option(OSTAVEL_BUILD_BENCHMARKS "" ON)
option(STANDIN_WITHOUT_TESTS "" OFF)
file(WRITE "${CMAKE_BINARY_DIR}/src/ostavel" "#!/bin/sh\necho stand-in application ran\n")
file(CHMOD "${CMAKE_BINARY_DIR}/src/ostavel" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
if(OSTAVEL_BUILD_TESTS)
    enable_testing()
    if(NOT STANDIN_WITHOUT_TESTS)
        add_test(NAME unit COMMAND "${CMAKE_COMMAND}" -E touch "${CMAKE_BINARY_DIR}/unit-ran")
    endif()
endif()
if(OSTAVEL_BUILD_BENCHMARKS)
    add_custom_target(bench ALL COMMAND "${CMAKE_COMMAND}" -E touch "${CMAKE_BINARY_DIR}/bench-built")
endif()
EOF
cd "$root" || exit 1
build="$root/build"

run_app() {
    bash scripts/run.sh >out.log 2>&1 || fail "run.sh failed"
    grep -q "stand-in application ran" out.log || fail "run.sh did not start the application"
}
run_tests() {
    rm -f "$build/unit-ran" "$build/bench-built"
    bash scripts/test.sh >out.log 2>&1 || fail "test.sh failed after $1"
    [ -f "$build/unit-ran" ] || fail "test.sh ran no test after $1"
    [ -f "$build/bench-built" ] || fail "test.sh built no benchmark after $1"
}

run_app
run_tests "run.sh"
run_app
run_tests "test.sh and run.sh again"

# A build that holds no test at all is a failure, not a pass.
cmake -S . -B "$build" -DSTANDIN_WITHOUT_TESTS=ON >/dev/null || fail "configure failed"
if bash scripts/test.sh >out.log 2>&1; then
    fail "test.sh passed without a single test"
fi
grep -q "No tests were found" out.log || fail "test.sh failed for another reason than no tests"
echo "run.sh and test.sh work in either order"
