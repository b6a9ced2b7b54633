#!/bin/bash
# Makes two 8000 x 6000 PNG drawings that differ a little, builds the
# benchmark and reports where a user waits, as ratios to same-run baselines.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
draw() { # file, x of the moved wall
  /usr/bin/convert -size 8000x6000 xc:white -stroke black -strokewidth 24 -fill none \
    -draw "rectangle 400,400 7600,5600" -draw "line $2,400 $2,4000" \
    -strokewidth 6 -draw "circle 2000,3000 2600,3000" -draw "line 400,5800 7600,5800" \
    "$1"
}
draw "$work/left.png" 4000
draw "$work/right.png" 4300
cmake --build build --target varnolt_bench >/dev/null
build/bench/varnolt_bench "$work/left.png" "$work/right.png"

# The in-program difference engine on the same pair, against reading the
# decoded pictures once, ImageMagick's compare and odiff.
cmake --build build --target varnolt_diff_bench >/dev/null
build/bench/varnolt_diff_bench "$work/left.png" "$work/right.png"

# Two 50-page PDF drawing sets, the second with a sheet inserted.
cmake --build build --target varnolt_pdf_bench >/dev/null
build/bench/varnolt_pdf_bench 50

# The page tabs of 1,000 to 10,000 pages.
cmake --build build --target varnolt_page_tabs_bench >/dev/null
build/bench/varnolt_page_tabs_bench

# A two-page Visio pair through LibreOffice, where the office helper is built.
if cmake --build build --target varnolt_office_bench >/dev/null 2>&1; then
  cp tests/data/office/tdf76829-datetime-format.vsd "$work/old.vsd"
  cp tests/data/office/tdf76829-datetime-format.vsd "$work/new.vsd"
  build/bench/varnolt_office_bench build/varnolt_office_helper "$work/old.vsd" "$work/new.vsd"
fi

# Two folders of 200 screenshots, several pairs at once.
bench/folders.sh
