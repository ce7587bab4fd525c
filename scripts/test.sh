#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (also under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the refresh worker's
# thread test under ThreadSanitizer), the fuzzers (bounded, and their corpora
# replayed by a gcc build), the Windows-side tests under Wine, the end-to-end
# tests of Zeb.exe under Wine and Xvfb, and the benchmarks as reports.
# Installs what it needs first. Warnings are errors. Ends with one line
# "N passed, N failed" counting tests; a build that fails counts as one
# failed test.
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
logs=$(mktemp -d)

# Adds the counts a runner printed in its log: GoogleTest, CTest, Python's
# unittest and libFuzzer. A runner that ends without its summary, or with a
# failing status and no failure counted, counts as one failed test.
count() {
    local name=$1 log=$2 status=$3 p=0 f=0 line
    if line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1) && [ -n "$line" ]; then
        f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        p=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line") - f ))
    elif grep -qE '^\[==========\] [0-9]+ tests? from .* ran\.' "$log"; then
        p=$(grep -E '^\[  PASSED  \] [0-9]+ test' "$log" | tail -n 1 | grep -oE '[0-9]+' | head -n 1)
        f=$(grep -E '^\[  FAILED  \] [0-9]+ tests?, listed below' "$log" | tail -n 1 | grep -oE '[0-9]+' | head -n 1)
    elif line=$(grep -E '^Ran [0-9]+ tests? in ' "$log" | tail -n 1) && [ -n "$line" ]; then
        local ran skipped bad
        ran=$(grep -oE '[0-9]+' <<<"$line" | head -n 1)
        bad=$(grep -E '^FAILED \(' "$log" | tail -n 1 | grep -oE '(failures|errors)=[0-9]+' |
              awk -F= '{n += $2} END {print n + 0}')
        skipped=$(grep -E '^(OK|FAILED) \(' "$log" | tail -n 1 | grep -oE 'skipped=[0-9]+' | grep -oE '[0-9]+')
        f=${bad:-0}
        p=$((ran - f - ${skipped:-0}))
    elif [ "$status" -eq 0 ]; then
        p=1  # one check: a fuzzer's run, a replay, a report
    fi
    p=${p:-0}
    f=${f:-0}
    if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
        f=1
    fi
    passed=$((passed + p))
    failed=$((failed + f))
    [ "$f" -eq 0 ] || failures+=("$name")
    echo "=== $name: $p passed, $f failed"
}

# Runs a test stage with its output in a file (a Wine program's server can
# hold a pipe open), shows the output and counts its tests.
stage() {
    local name=$1 log status
    shift
    log="$logs/$(tr -c 'A-Za-z0-9_' '_' <<<"$name").log"
    echo "=== $name"
    "$@" >"$log" 2>&1
    status=$?
    cat "$log"
    count "$name" "$log" "$status"
}

# A build counts only when it fails.
build() {
    local name=$1 log
    shift
    log="$logs/build_$(tr -c 'A-Za-z0-9_' '_' <<<"$name").log"
    echo "=== build: $name"
    if ! "$@" >"$log" 2>&1; then
        tail -n 60 "$log"
        failed=$((failed + 1))
        failures+=("build: $name")
        echo "=== FAILED: build: $name"
        return 1
    fi
}

configure_and_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DZEB_WERROR=ON "$@" >/dev/null && cmake --build "$dir" -j$jobs
}

run_fuzzer() {
    local fuzzer=$1 name corpus dict=()
    name=$(basename "$fuzzer")
    corpus=$(mktemp -d)
    [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$corpus"
    [ -f "tests/fuzz/$name.dict" ] && dict=(-dict="tests/fuzz/$name.dict")
    "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "${dict[@]}" "$corpus" 2>&1 | tail -n 12
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

# ---- native: unit tests, sanitizers, benchmarks
if build "native" configure_and_build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
    stage "native unit tests" ctest --test-dir build/native -j$jobs --output-on-failure
    [ -x build/native/tests/zeb_bench ] &&
        stage "benchmark report" build/native/tests/zeb_bench --benchmark_min_time=0.05
    for source in tests/fuzz/*_fuzz.cpp; do
        name=$(basename "$source" .cpp)
        stage "replay $name with gcc" "build/native/tests/${name}_replay" "tests/fuzz/corpus/$name"
    done
fi
if build "unit tests under ASan and UBSan" configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug \
        -DZEB_SANITIZE=address,undefined; then
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        stage "unit tests under ASan and UBSan" ctest --test-dir build/asan -j$jobs --output-on-failure
fi
if build "thread test under TSan" bash -c 'cmake -S . -B build/tsan -DZEB_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZEB_SANITIZE=thread >/dev/null && cmake --build build/tsan -j2 --target tsan_refresh'; then
    TSAN_OPTIONS=halt_on_error=1 stage "refresh worker under TSan" build/tsan/tests/tsan_refresh
fi

# ---- fuzzers (clang)
if build "fuzzers" cmake -S . -B build/fuzz -DZEB_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++; then
    if build "fuzzers (compile)" cmake --build build/fuzz -j$jobs; then
        for source in tests/fuzz/*_fuzz.cpp; do
            fuzzer=build/fuzz/tests/$(basename "$source" .cpp)
            stage "fuzz $(basename "$fuzzer") for ${fuzz_seconds}s" run_fuzzer "$fuzzer"
        done
    fi
fi

# ---- Windows: the 32-bit program compiles and links; the 64-bit one is tested under Wine
build "windows i686 (compile and link)" bash -c 'cmake -S . -B build/win32-i686 -DZEB_WERROR=ON -DZEB_WIN_ARCH=i686 \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null &&
    cmake --build build/win32-i686 -j2 --target Zeb ZebUpdater'
if build "windows" configure_and_build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
        -DCMAKE_BUILD_TYPE=MinSizeRel && [ -f build/win32/Zeb.exe ]; then
    zeb_start_display
    prefix_root=$(mktemp -d)
    zeb_wine_prefix "$prefix_root/prefix"
    for area in tests/win/*/; do
        program=build/win32/win_$(basename "$area").exe
        stage "wine $(basename "$program")" run_wine_test "$root/$program"
    done
    stage "wine WebBrowser control" run_control_test
    stage "end-to-end" python3 tests/e2e/run_e2e.py --build "$root/build/win32"
    [ -f tests/bench/footprint.py ] &&
        stage "footprint report" python3 tests/bench/footprint.py --build "$root/build/win32" \
            --idle-seconds "${ZEB_FOOTPRINT_SECONDS:-20}"
    wineserver -k >/dev/null 2>&1
    rm -rf "$prefix_root"
    zeb_stop_display
fi

rm -rf "$logs"
echo
for f in "${failures[@]}"; do echo "failed: $f"; done
echo "artifacts: $ZEB_ARTIFACTS"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
