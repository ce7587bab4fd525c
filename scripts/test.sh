#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (also under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the refresh worker's
# thread test under ThreadSanitizer), the fuzzers (bounded, and their corpora
# replayed by a gcc build), the Windows-side tests under Wine, the end-to-end
# tests of Zeb.exe under Wine and Xvfb, and the benchmarks as reports.
# Installs what it needs first. Warnings are errors. Ends with one line
# "N passed, N failed" counting tests, read from the reports the runners
# write; a build that fails counts as one failed test.
#
# Sourced instead of run, it only defines its functions and totals, to try a
# stage by hand: logs=$(mktemp -d); stage NAME REPORT COMMAND...
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=2
fuzz_seconds=${ZEB_FUZZ_SECONDS:-20}
passed=0
failed=0
failures=()

# The tests a runner's report holds, as "PASSED FAILED": the XML of
# GoogleTest or CTest (JUnit), or the JSON counts of the end-to-end runner.
# Skipped and disabled tests count neither way; a test CTest did not run for
# any other reason (no program, a failed dependency) has failed.
report_counts() {
    python3 - "$1" <<'EOF'
import json
import sys
import xml.etree.ElementTree as ET

path = sys.argv[1]
if path.endswith(".json"):
    with open(path) as f:
        counts = json.load(f)
    print(int(counts["passed"]), int(counts["failed"]))
    sys.exit()
passed = failed = 0
try:
    cases = list(ET.parse(path).iter("testcase"))
except ET.ParseError as e:
    sys.exit("%s: %s" % (path, e))
for case in cases:
    inside = {child.tag: child for child in case}
    status, result = case.get("status", "run"), case.get("result", "completed")
    why = inside["skipped"].get("message", "") if "skipped" in inside else ""
    if "failure" in inside or "error" in inside:
        failed += 1
    elif result in ("skipped", "suppressed") or status == "disabled" or why.startswith("SKIP_"):
        continue
    elif status == "run":
        passed += 1
    else:
        failed += 1
print(passed, failed)
EOF
}

# Adds a stage's tests to the totals: those of its report, or with report
# "-" one check (a fuzzer's run, a replay, a report) passed when the command
# succeeded. A runner that ends without its report, or with a failing status
# and no failure in it, counts as one failed test.
count() {
    local name=$1 report=$2 status=$3 p=0 f=0
    if [ "$report" = - ]; then
        [ "$status" -eq 0 ] && p=1
    elif [ -s "$report" ] && read -r p f < <(report_counts "$report"); then
        :
    else
        echo "=== $name: no report, or none that can be read"
        p=0 f=1
    fi
    if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
        f=1
    fi
    passed=$((passed + p))
    failed=$((failed + f))
    [ "$f" -eq 0 ] || failures+=("$name")
    echo "=== $name: $p passed, $f failed"
}

# stage NAME REPORT COMMAND...: runs a test stage with its output in a file
# (a Wine program's server can hold a pipe open), shows the output and
# counts its tests from REPORT, the file the command writes its results to
# ("-": the stage is one check).
stage() {
    local name=$1 report=$2 log status
    shift 2
    log="$logs/$(slug "$name").log"
    [ "$report" = - ] || rm -f "$report"
    echo "=== $name"
    "$@" >"$log" 2>&1
    status=$?
    cat "$log"
    count "$name" "$report" "$status"
}

# A file name for a stage's log or report.
slug() {
    tr -c 'A-Za-z0-9_' '_' <<<"$1"
}

# A build counts only when it fails.
build() {
    local name=$1 log
    shift
    log="$logs/build_$(slug "$name").log"
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

# run_wine_test REPORT PROGRAM [ARGUMENTS]: a Windows-side test program runs
# in a scratch folder of its own; its GoogleTest XML ends up in REPORT.
run_wine_test() {
    local report=$1 program=$2 work status
    shift 2
    work=$(mktemp -d)
    (cd "$work" && wine "$program" --gtest_brief=1 --gtest_output=xml:report.xml "$@")
    status=$?
    [ -f "$work/report.xml" ] && cp "$work/report.xml" "$report"
    rm -rf "$work"
    return $status
}

# Wine's own WebBrowser control: it creates, activates, navigates and tears
# down, though without an HTML engine it draws nothing.
run_control_test() {
    WINEDLLOVERRIDES=winemenubuilder.exe=d ZEB_REQUIRE_CONTROL=1 \
        run_wine_test "$1" "$root/build/win32/win_ui.exe" --gtest_filter='WebBrowserControl.*'
}

run_ctest() {
    local dir=$1 report=$2
    ctest --test-dir "$dir" -j$jobs --output-on-failure --output-junit "$report"
}

main() {
    cd "$root"
    export ZEB_ARTIFACTS=${ZEB_ARTIFACTS:-$root/build/artifacts}
    scripts/install-deps.sh || { echo "0 passed, 1 failed"; exit 1; }
    source scripts/wine-env.sh
    logs=$(mktemp -d)
    mkdir -p "$ZEB_ARTIFACTS"

    # ---- native: unit tests, sanitizers, benchmarks
    if build "native" configure_and_build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
        stage "native unit tests" "$logs/native.xml" run_ctest build/native "$logs/native.xml"
        [ -x build/native/tests/zeb_bench ] &&
            stage "benchmark report" - build/native/tests/zeb_bench --benchmark_min_time=0.05
        for source in tests/fuzz/*_fuzz.cpp; do
            name=$(basename "$source" .cpp)
            stage "replay $name with gcc" - "build/native/tests/${name}_replay" "tests/fuzz/corpus/$name"
        done
    fi
    if build "unit tests under ASan and UBSan" configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug \
            -DZEB_SANITIZE=address,undefined; then
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
            stage "unit tests under ASan and UBSan" "$logs/asan.xml" run_ctest build/asan "$logs/asan.xml"
    fi
    if build "thread test under TSan" bash -c 'cmake -S . -B build/tsan -DZEB_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DZEB_SANITIZE=thread >/dev/null && cmake --build build/tsan -j2 --target tsan_refresh'; then
        TSAN_OPTIONS=halt_on_error=1 stage "refresh worker under TSan" - build/tsan/tests/tsan_refresh
    fi

    # ---- fuzzers (clang)
    if build "fuzzers" cmake -S . -B build/fuzz -DZEB_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++; then
        if build "fuzzers (compile)" cmake --build build/fuzz -j$jobs; then
            for source in tests/fuzz/*_fuzz.cpp; do
                fuzzer=build/fuzz/tests/$(basename "$source" .cpp)
                stage "fuzz $(basename "$fuzzer") for ${fuzz_seconds}s" - run_fuzzer "$fuzzer"
            done
        fi
    fi

    # ---- Windows: the 32-bit program compiles and links; the 64-bit one is tested under Wine
    build "windows i686 (compile and link)" bash -c 'cmake -S . -B build/win32-i686 -DZEB_WERROR=ON -DZEB_WIN_ARCH=i686 \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null &&
        cmake --build build/win32-i686 -j2 --target Zeb ZebUpdater'
    if build "windows" configure_and_build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
            -DCMAKE_BUILD_TYPE=MinSizeRel && [ -f build/win32/Zeb.exe ]; then
        stage "import tables name only KnownDLLs" - python3 tests/imports/check_imports.py build/win32
        zeb_start_display
        prefix_root=$(mktemp -d)
        zeb_wine_prefix "$prefix_root/prefix"
        for area in tests/win/*/; do
            program=win_$(basename "$area").exe
            stage "wine $program" "$logs/$program.xml" run_wine_test "$logs/$program.xml" "$root/build/win32/$program"
        done
        stage "wine WebBrowser control" "$logs/control.xml" run_control_test "$logs/control.xml"
        stage "end-to-end" "$logs/e2e.json" python3 tests/e2e/run_e2e.py --build "$root/build/win32" \
            --result "$logs/e2e.json"
        [ -f tests/bench/footprint.py ] &&
            stage "footprint report" - python3 tests/bench/footprint.py --build "$root/build/win32" \
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
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
