#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests, the fuzzers
# (bounded), the Windows-side tests under Wine and the end-to-end tests of
# Zeb.exe under Wine and Xvfb. Installs what it needs first. Ends with one
# line "N passed, N failed" counting the suites below.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=2
fuzz_seconds=${ZEB_FUZZ_SECONDS:-20}
export ZEB_ARTIFACTS=${ZEB_ARTIFACTS:-$root/build/artifacts}

scripts/install-deps.sh || { echo "0 passed, 1 failed"; exit 1; }
source scripts/wine-env.sh

passed=0
failed=0
failures=()
suite() {
    local name=$1
    shift
    echo "=== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "=== FAILED: $name"
    fi
}

build_native() {
    cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build build/native -j$jobs
}

build_fuzzers() {
    cmake -S . -B build/fuzz -DZEB_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
        cmake --build build/fuzz -j$jobs
}

build_windows() {
    cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null &&
        cmake --build build/win32 -j$jobs
}

run_fuzzer() {
    local fuzzer=$1 corpus
    corpus=$(mktemp -d)
    [ -d "tests/fuzz/corpus/$(basename "$fuzzer")" ] && cp -r "tests/fuzz/corpus/$(basename "$fuzzer")/." "$corpus"
    "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "$corpus" 2>&1 | tail -n 4
    local status=${PIPESTATUS[0]}
    rm -rf "$corpus"
    return "$status"
}

# A Windows-side test program runs in a scratch folder of its own.
run_wine_test() {
    local program=$1 work status
    shift
    work=$(mktemp -d)
    (cd "$work" && wine "$program" --gtest_brief=1 "$@")
    status=$?
    rm -rf "$work"
    return $status
}

# Wine's own WebBrowser control: it creates, activates, navigates and tears
# down, though without an HTML engine it draws nothing.
run_control_test() {
    WINEDLLOVERRIDES=winemenubuilder.exe=d ZEB_REQUIRE_CONTROL=1 \
        run_wine_test "$root/build/win32/win_ui.exe" --gtest_filter='WebBrowserControl.*'
}

mkdir -p "$ZEB_ARTIFACTS"

suite "native build" build_native
suite "native unit tests" ctest --test-dir build/native --output-on-failure -j$jobs
if [ -x build/native/tests/zeb_bench ]; then
    suite "benchmark runs" build/native/tests/zeb_bench --benchmark_min_time=0.05
fi

suite "fuzzer build" build_fuzzers
for fuzzer in build/fuzz/tests/*_fuzz; do
    [ -x "$fuzzer" ] && suite "fuzz $(basename "$fuzzer") for ${fuzz_seconds}s" run_fuzzer "$fuzzer"
done

suite "windows build" build_windows
if [ -f build/win32/Zeb.exe ]; then
    zeb_start_display
    prefix_root=$(mktemp -d)
    zeb_wine_prefix "$prefix_root/prefix"
    for program in build/win32/win_*.exe; do
        [ -f "$program" ] && suite "wine $(basename "$program")" run_wine_test "$root/$program"
    done
    suite "wine WebBrowser control" run_control_test
    suite "end-to-end" python3 tests/e2e/run_e2e.py --build "$root/build/win32"
    wineserver -k >/dev/null 2>&1
    rm -rf "$prefix_root"
    [ -n "${ZEB_XVFB_PID:-}" ] && kill "$ZEB_XVFB_PID" 2>/dev/null
fi

echo
for f in "${failures[@]}"; do echo "failed: $f"; done
echo "artifacts: $ZEB_ARTIFACTS"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
