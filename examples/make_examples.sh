#!/bin/bash
# Draws the example pair: two versions of a small floor plan. Version 2 moves
# the door, adds a window and a cupboard, and changes one dimension.
set -e
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
common=(-size 640x440 xc:white -stroke black -fill none -strokewidth 6
  -draw 'rectangle 40,40 600,400' -draw 'line 330,40 330,250'
  -strokewidth 2 -draw 'line 40,420 600,420' -draw 'line 40,414 40,426' -draw 'line 600,414 600,426'
  -stroke none -fill black -font "$font" -pointsize 18
  -draw "text 150,150 'Living room'" -draw "text 420,150 'Kitchen'")
/usr/bin/convert "${common[@]}" \
  -stroke white -strokewidth 8 -draw 'line 120,400 190,400' \
  -stroke black -strokewidth 2 -fill none -draw 'arc 50,330 190,470 270,360' \
  -stroke none -fill black -pointsize 14 -draw "text 290,436 '5600'" \
  -pointsize 12 -draw "text 540,432 'plan v1'" plan_v1.png
/usr/bin/convert "${common[@]}" \
  -stroke white -strokewidth 8 -draw 'line 220,400 290,400' \
  -stroke black -strokewidth 2 -fill none -draw 'arc 150,330 290,470 270,360' \
  -stroke white -strokewidth 8 -draw 'line 600,120 600,200' \
  -stroke black -strokewidth 2 -draw 'line 595,120 595,200' -draw 'line 605,120 605,200' \
  -fill '#dddddd' -draw 'rectangle 480,300 590,390' \
  -stroke none -fill black -pointsize 14 -draw "text 290,436 '5650'" \
  -pointsize 12 -draw "text 540,432 'plan v2'" plan_v2.png
