#!/bin/bash
# Builds what changed and runs every test (widget tests run offscreen), then
# the Windows build under wine when its tools are installed: the whole
# program and every test, against a Qt for mingw-w64 (built once, then taken
# from a cache outside the clone).
set -euo pipefail
cd "$(dirname "$0")"
. cmake/compiler-cache.sh
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${compiler_cache[@]}"

windows=0
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
  windows=1
  # The Windows build's Qt and converter take about half an hour on two
  # cores the first time. They are built at the lowest priority while the
  # native tests run, which leave the processors idle much of the time, and
  # are then found in their cache by the Windows step; when they are cached
  # already this costs nothing. Both at once, so that the steps of one that
  # use one core (unpacking, configure scripts) leave the other core to the
  # other (Debian's source archive is added to apt's sources first, once). A
  # group of their own, stopped when this script ends early.
  mkdir -p build
  setsid -w bash -c '. .ci/windows-sources.sh && windows_source_line &&
    { nice -n 19 .ci/windows-qt & qt=$!; nice -n 19 .ci/windows-imagemagick; magick=$?
      wait $qt && exit $magick; }' >build/windows-dependencies.log 2>&1 &
  dependencies=$!
  trap 'kill -- -$dependencies 2>/dev/null || true' EXIT
fi

cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"
if ((windows)); then
  wait "$dependencies" || {
    tail -40 build/windows-dependencies.log >&2
    echo "Building Qt or ImageMagick for Windows failed (build/windows-dependencies.log)." >&2
    exit 1
  }
  .ci/windows-gui
else
  echo "Windows tests skipped: mingw-w64 and wine are not installed (./setup.sh installs them)."
fi
