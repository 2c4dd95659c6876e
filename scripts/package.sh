#!/usr/bin/env bash
# Builds the Debian package of Quarlo (both programs, their data, desktop entry, icons,
# manual pages and bash completion) and prints its path: BUILD/package/quarlo_*.deb.
#   scripts/package.sh [BUILD]
# BUILD is a build folder to reuse (scripts/test.sh passes its own); without it the
# programs are built in build-package/, without the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only the package's path goes to standard output.
bash scripts/install-deps.sh >&2

if [ $# -ge 1 ]; then
    build=$1
    cmake -S . -B "$build" >/dev/null
else
    build=build-package
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARLO_BUILD_TESTS=OFF \
        -DQUARLO_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" >&2
rm -f "$build"/package/quarlo_*.deb
# cpack installs into a staging folder, strips the programs and asks dpkg-shlibdeps for the
# libraries they need.
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/package/quarlo_*.deb
