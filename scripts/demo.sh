#!/usr/bin/env bash
# The main job: mirrors the bundled sample site, served from a loopback server, into the
# folder demo/ of the data folder ($QUARLO_HOME, by default ./demo-home).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARLO_BUILD_GUI=OFF \
    -DQUARLO_BUILD_TESTS=OFF -DQUARLO_BUILD_BENCH=OFF >/dev/null
cmake --build build-demo -j"$(nproc)" --target quarlo-cli
export QUARLO_HOME="${QUARLO_HOME:-$PWD/demo-home}"
exec build-demo/bin/quarlo-cli --pause 0 demo
