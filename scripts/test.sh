#!/usr/bin/env bash
# Builds everything and runs every test: the normal build (desktop program included), then
# the core and the CLI again under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
# The report and skin-page tests render pages in the chromium that install-deps.sh installs.
export QUARLO_REQUIRE_CHROMIUM=1

echo "== layers: no include reaches a higher layer (the check, then the tree)"
bash tests/scripts/check_layers_test.sh scripts/check-layers.py tests/data/layers
python3 scripts/check-layers.py src

echo "== normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --timeout 900

echo "== Debian package: made from the normal build, unpacked into a scratch root and run"
deb=$(bash scripts/package.sh build)
bash scripts/check-package.sh "$deb"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer (core and CLI), with the libFuzzer targets"
# One clang build serves both: the tests run sanitized, and the fuzzers link libFuzzer's main.
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-O1 -fsanitize=fuzzer-no-link" -DQUARLO_BUILD_FUZZ=ON \
    -DQUARLO_BUILD_GUI=OFF -DQUARLO_BUILD_BENCH=OFF -DQUARLO_SANITIZE=address,undefined >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan -j"$jobs" --timeout 900

echo "== ThreadSanitizer (the threaded parts of the core and the CLI)"
threaded='^(event_loop|settings_store|http_client|socket_list|download_thread|run_lifecycle|queue|parse_thread|mirror|zip_output|scheduler|cli_run|cli_schedule)_test$'
targets=$(ls tests/*_test.cpp | xargs -n1 basename | sed 's/\.cpp$//' | grep -E "$threaded" | tr '\n' ' ')
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DQUARLO_BUILD_GUI=OFF -DQUARLO_BUILD_BENCH=OFF -DQUARLO_SANITIZE=thread >/dev/null
# shellcheck disable=SC2086
cmake --build build-tsan -j"$jobs" --target quarlo-cli $targets
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan -j"$jobs" --timeout 900 -R "$threaded"

echo "== libFuzzer: the scanner with link conversion, and the URL functions (about 30 s each)"
for target in page_fuzz url_fuzz; do
    corpus=build-asan/corpus/$target
    mkdir -p "$corpus"
    seeds=fuzz/corpus/$target
    build-asan/bin/$target -max_total_time=30 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "$corpus" "$seeds" 2>&1 | tail -n 3
done
echo "fuzz: passed"
