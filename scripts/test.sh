#!/usr/bin/env bash
# Builds everything and runs every test: the normal build (desktop program included), then
# the core and the CLI again under AddressSanitizer + UndefinedBehaviorSanitizer.
# Each build is a preset of CMakePresets.json (flags, warnings as errors, test timeouts and
# sanitizer options live there).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)

echo "== layers: no include reaches a higher layer (the check, then the tree)"
bash tests/scripts/check_layers_test.sh scripts/check-layers.py tests/data/layers
python3 scripts/check-layers.py src

echo "== normal build"
cmake --preset normal >/dev/null
cmake --build --preset normal -j"$jobs"
ctest --preset normal -j"$jobs"

echo "== Debian package: made from the normal build, unpacked into a scratch root and run"
deb=$(bash scripts/package.sh build)
bash scripts/check-package.sh "$deb"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer (core and CLI), with the libFuzzer targets"
# One clang build serves both: the tests run sanitized, and the fuzzers link libFuzzer's main.
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

echo "== ThreadSanitizer (the threaded parts of the core and the CLI)"
# The preset builds quarlo-cli and the threaded suites only, and runs just those.
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j"$jobs"
ctest --preset tsan -j"$jobs"

echo "== libFuzzer: the scanner with link conversion, and the URL functions (about 30 s each)"
for target in page_fuzz url_fuzz; do
    corpus=build-asan/corpus/$target
    mkdir -p "$corpus"
    seeds=fuzz/corpus/$target
    build-asan/bin/$target -max_total_time=30 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "$corpus" "$seeds" 2>&1 | tail -n 3
done
echo "fuzz: passed"
