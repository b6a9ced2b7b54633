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

# Grouping 10,000 small change regions of an 8000 x 6000 pair into edits,
# against the differences themselves.
cmake --build build --target varnolt_grouping_bench >/dev/null
build/bench/varnolt_grouping_bench
echo
echo "== Pairing long sets of pages"
cmake --build build --target varnolt_pairing_bench >/dev/null
build/bench/varnolt_pairing_bench

# Two 1280 x 800 screenshots of a window, one button's label changed.
screenshot() { # file, button label
  /usr/bin/convert -size 1280x800 xc:'#f3f3f3' -fill '#2b579a' -draw "rectangle 0,0 1280,48" \
    -fill white -pointsize 18 -draw "text 16,31 'Project Explorer'" \
    -stroke '#c8c8c8' -draw "rectangle 16,64 300,780" -draw "rectangle 320,64 1264,780" \
    -stroke none -fill '#202020' -pointsize 14 -draw "text 32,96 'Drawings'" \
    -draw "text 48,122 'site_plan.dwg'" -draw "text 48,148 'elevation_north.pdf'" \
    -pointsize 16 -draw "text 340,100 'Revision notes'" -pointsize 13 \
    -draw "text 340,130 'Wall moved 300 mm to the east; door schedule updated.'" \
    -fill '#e8eef8' -stroke '#2b579a' -draw "roundrectangle 1100,730 1250,766 6,6" \
    -stroke none -fill '#2b579a' -draw "text 1140,754 '$2'" "$1"
}
screenshot "$work/shot_left.png" Save
screenshot "$work/shot_right.png" Apply

# The PNG and JPEG decoders at hand, against today's whole-picture path.
if cmake --build build --target varnolt_decode_bench >/dev/null 2>&1; then
  for picture in left right shot_left; do
    /usr/bin/convert "$work/$picture.png" -quality 90 "$work/$picture.jpg"
  done
  build/bench/varnolt_decode_bench "$work/left.png" "$work/right.png" "$work/shot_left.png" \
    "$work/left.jpg" "$work/right.jpg" "$work/shot_left.jpg"
else
  echo "decoder benchmark not built (needs libspng-dev and libturbojpeg0-dev): skipped"
fi

# varnolt --compare against odiff's native binary, whole processes: wall
# time, CPU time and peak memory.
if [ -z "$(bench/odiff_binary.sh)" ]; then
  npm install -g odiff-bin >/dev/null 2>&1 || echo "odiff could not be installed"
fi
cmake --build build --target varnolt >/dev/null
bench/compare_vs_odiff.sh build/varnolt "$work/left.png" "$work/right.png" "8000 x 6000 drawings"
bench/compare_vs_odiff.sh build/varnolt "$work/shot_left.png" "$work/shot_right.png" \
  "1280 x 800 screenshots"
/usr/bin/convert -size 16x16 xc:white "$work/tiny_left.png"
/usr/bin/convert -size 16x16 xc:white -fill black -draw "point 3,3" "$work/tiny_right.png"
bench/compare_vs_odiff.sh build/varnolt "$work/tiny_left.png" "$work/tiny_right.png" \
  "16 x 16 pictures"

# Two 50-page PDF drawing sets, the second with a sheet inserted.
cmake --build build --target varnolt_pdf_bench >/dev/null
build/bench/varnolt_pdf_bench 50

# The text of one changed word on a page of 1,600 words, against 100 words.
cmake --build build --target varnolt_text_layer_bench >/dev/null
build/bench/varnolt_text_layer_bench

# The window thread's longest stall on an every-sheet-changed 50-sheet set.
cmake --build build --target varnolt_stall_bench >/dev/null
build/bench/varnolt_stall_bench 50

# Two 500-sheet sets, every sheet changed: --compare against pdftoppm.
bench/long_sets.sh build/varnolt 500

# The drawing rate that a PDF page's budget of drawing steps rests on.
cmake --build build --target varnolt_drawing_budget_bench >/dev/null
build/bench/varnolt_drawing_budget_bench

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
# A folder of 1,000 pairs, nearly all identical files, against cmp and odiff.
bench/identical_folders.sh
