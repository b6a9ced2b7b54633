#!/bin/sh
# Builds one libFuzzer target per image handler decoder with clang (address
# and undefined behaviour sanitizers; Qt itself is not instrumented) and runs
# each for a bounded time, seeded with the test samples. Not part of the
# tests or CI.
#   fuzz/run.sh [seconds per decoder, default 60] [decoder ...]
# Prints one line per decoder: executions and the outcome. Crash inputs stay
# in fuzz/out/<decoder>/ for reproduction.
set -u
SECONDS_EACH=${1:-60}
[ $# -gt 0 ] && shift
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/fuzz/out
CXX=${CXX:-clang++}
JOBS=${JOBS:-2}
DECODERS=${*:-"Targa Pcx Psd Sgi Metafile Eps Rla Autodesk Pcd Cut Psp Rle_Bitmap"}
rm -rf "$OUT/obj"
mkdir -p "$OUT/obj"

QT_FLAGS=$(pkg-config --cflags Qt6Gui) || exit 1
QT_LIBS=$(pkg-config --libs Qt6Gui) || exit 1
FLAGS="-std=c++20 -g -O1 -fPIC -fsanitize=address,undefined -fno-sanitize-recover=undefined -I$ROOT/imaging $QT_FLAGS"
# The decoders once, instrumented for coverage (not the plugin, which needs
# moc, nor the Qt-free format registry).
for src in "$ROOT"/imaging/decode_*.cpp "$ROOT"/imaging/image_decoders.cpp; do
  obj="$OUT/obj/$(basename "$src" .cpp).o"
  $CXX $FLAGS -fsanitize=fuzzer-no-link -c "$src" -o "$obj" || exit 1
done

seeds_for() {
  case $1 in
    Targa) echo "tga" ;; Pcx) echo "pcx" ;; Psd) echo "psd" ;; Rle_Bitmap) echo "bmp" ;;
    Sgi) echo "sgi" ;; Metafile) echo "wmf emf" ;; Eps) echo "tif wmf" ;;
    Rla) echo "rla" ;; Autodesk) echo "pic cel" ;; Pcd) echo "pcd" ;; Cut) echo "cut" ;; Psp) echo "psp" ;;
  esac
}

run_one() {
  d=$1
  dir=$OUT/$d
  mkdir -p "$dir/corpus"
  for ext in $(seeds_for "$d"); do
    cp "$ROOT"/tests/data/imaging/*."$ext" "$dir/corpus/" 2>/dev/null
  done
  $CXX $FLAGS -fsanitize=fuzzer -DFUZZ_DECODER="$d" "$ROOT/fuzz/fuzz_decoder.cpp" "$OUT"/obj/*.o \
    $QT_LIBS -lz -o "$dir/fuzz_$d" || { echo "$d: build failed"; return; }
  (cd "$dir" && ./"fuzz_$d" corpus -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
    -max_len=262144 -print_final_stats=1 > log.txt 2>&1)
  status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$dir/log.txt" | grep -o '[0-9]*$')
  if [ $status -eq 0 ]; then
    echo "$d: ${runs:-?} executions, no crash, leak or timeout"
  else
    echo "$d: ${runs:-?} executions, FAILED (status $status); see $dir/log.txt"
  fi
}

count=0
for d in $DECODERS; do
  run_one "$d" &
  count=$((count + 1))
  if [ $((count % JOBS)) -eq 0 ]; then wait; fi
done
wait
