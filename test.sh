#!/bin/bash
# Builds what changed and runs every test (widget tests run offscreen), then
# the Windows build under wine when its tools are installed: the whole
# program and every test, against a Qt for mingw-w64 (built once, then taken
# from a cache outside the clone).
set -euo pipefail
cd "$(dirname "$0")"
. cmake/compiler-cache.sh
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${compiler_cache[@]}"
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
  .ci/windows-gui
else
  echo "Windows tests skipped: mingw-w64 and wine are not installed (./setup.sh installs them)."
fi
