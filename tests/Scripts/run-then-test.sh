#!/usr/bin/env bash
# scripts/run.sh and scripts/test.sh share one build folder. Whichever ran before, test.sh must
# build the tests and benchmarks and run the tests, run.sh must still start the application, and
# a build without tests must fail test.sh. The real scripts drive a stand-in project that needs
# no compiler, so nothing of Ostavel is rebuilt. Then the real deps.sh, against stand-ins for
# dpkg-query and apt-get that find nothing installed: run.sh's install must hold no test package,
# test.sh's the whole test desktop.
#
#   run-then-test.sh SCRIPTS_DIR
set -u
scripts="$1"
# The caller's own build folder must not leak into the stand-in's.
unset OSTAVEL_BUILD_DIR
root=$(mktemp -d "${TMPDIR:-/tmp}/ostavel-scripts.XXXXXX")
trap 'rm -rf "$root"' EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$root/out.log" ] && sed 's/^/  /' "$root/out.log" >&2
    exit 1
}

mkdir -p "$root/scripts"
cp "$scripts/run.sh" "$scripts/test.sh" "$scripts/build.sh" "$root/scripts/"
printf '#!/usr/bin/env bash\necho "$1" >>"$(dirname "$0")/../deps-calls"\n' >"$root/scripts/deps.sh"
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
[ "$(cat deps-calls)" = "$(printf 'run\ntest\nrun\ntest')" ] ||
    fail "run.sh and test.sh do not ask deps.sh for their own packages: $(cat deps-calls)"

# A build that holds no test at all is a failure, not a pass.
cmake -S . -B "$build" -DSTANDIN_WITHOUT_TESTS=ON >/dev/null || fail "configure failed"
if bash scripts/test.sh >out.log 2>&1; then
    fail "test.sh passed without a single test"
fi
grep -q "No tests were found" out.log || fail "test.sh failed for another reason than no tests"

# What each command installs on a machine that has nothing yet.
mkdir -p "$root/bin"
printf '#!/bin/sh\nexit 1\n' >"$root/bin/dpkg-query"
printf '#!/bin/sh\n[ "$1" = install ] && echo "$@" >>"%s/installed"\nexit 0\n' "$root" >"$root/bin/apt-get"
printf '#!/bin/sh\nexec "$@"\n' >"$root/bin/sudo"
chmod +x "$root/bin/"*
installs() {
    rm -f "$root/installed"
    PATH="$root/bin:$PATH" bash "$scripts/deps.sh" "$1" >"$root/out.log" 2>&1 ||
        fail "deps.sh $1 failed"
    tr ' ' '\n' <"$root/installed" | grep -v -e '^-' -e '^install$' -e '^$'
}
test_desktop=(xvfb xauth xdotool openbox trayer imagemagick xcompmgr x11-utils x11-xserver-utils
    pulseaudio pulseaudio-utils dbus-daemon clang-format libgtest-dev libgmock-dev libbenchmark-dev)
for_run=$(installs run)
for_test=$(installs test)
for package in qt6-base-dev libpulse-dev cmake; do
    grep -qx "$package" <<<"$for_run" || fail "run.sh does not install $package"
done
for package in "${test_desktop[@]}"; do
    ! grep -qx "$package" <<<"$for_run" || fail "run.sh installs the test package $package"
    grep -qx "$package" <<<"$for_test" || fail "test.sh does not install $package"
done
while read -r package; do
    grep -qx "$package" <<<"$for_test" || fail "test.sh leaves out $package, which run.sh installs"
done <<<"$for_run"
echo "run.sh and test.sh work in either order; run.sh installs no test package"
