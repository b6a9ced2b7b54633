#!/bin/bash
# Builds what changed and runs every test (widget tests run offscreen).
set -euo pipefail
cd "$(dirname "$0")"
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"
