#!/bin/bash
# What an HTML report adds to a folder comparison: two folders of 40
# screenshots (1280 x 800, text and boxes drawn by ImageMagick), every one
# changed, compared with --report and without, as the ratio of the CPU time
# (user + system) and of the wall time of the two runs; the median of 3
# paired runs with the smallest and largest.
# Usage: bench/report_cost.sh   (needs the varnolt target)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/old" "$work/new"
runs=3
font=$(fc-match -f '%{file}' sans)

screenshot() { # file, number, variant
  local n=$2 v=$3
  /usr/bin/convert -size 1280x800 xc:'#f4f4f4' -depth 8 -font "$font" \
    -fill '#2b5797' -draw "rectangle 0,0 1280,56" \
    -fill white -pointsize 22 -annotate +24+36 "Orders - screen $n" \
    -fill white -stroke '#c8c8c8' -draw "rectangle 40,100 $((340 + (n % 5) * 40)),360" \
    -draw "rectangle 700,100 1240,700" -stroke none -fill '#333333' -pointsize 16 \
    -annotate +60+140 "Revenue this month: $((n * 137 + v * 11))" \
    -annotate +720+140 "Customer list, page $n" \
    -fill "$([ "$v" = 0 ] && echo '#4caf50' || echo '#e53935')" \
    -draw "rectangle 720,$((200 + v * 30)) 900,240" "$1"
}
for n in $(seq 1 40); do
  name=$(printf 'screen_%03d.png' "$n")
  screenshot "$work/old/$name" "$n" 0
  screenshot "$work/new/$name" "$n" 1
done
cmake --build build --target varnolt >/dev/null

run() { # extra options; prints "cpu_seconds wall_seconds"
  /usr/bin/time -f '%U %S %e' -o "$work/time" build/varnolt --compare --jobs 2 "$@" \
    "$work/old" "$work/new" >/dev/null 2>&1 || [ $? -le 1 ]
  tail -n 1 "$work/time" | awk '{ printf "%.3f %.3f\n", $1 + $2, $3 }'
}

summary() {
  printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {
    printf "median %.2f (min %.2f, max %.2f)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

cpu=() wall=()
for _ in $(seq "$runs"); do
  rm -rf "$work/report"
  read -r plain_cpu plain_wall < <(run)
  read -r report_cpu report_wall < <(run --report "$work/report")
  cpu+=("$(awk -v a="$report_cpu" -v b="$plain_cpu" 'BEGIN { print a / b }')")
  wall+=("$(awk -v a="$report_wall" -v b="$plain_wall" 'BEGIN { print a / b }')")
  echo "plain ${plain_cpu} s CPU, ${plain_wall} s wall; --report ${report_cpu} s CPU, ${report_wall} s wall"
done
echo "--report / plain, CPU:  $(summary "${cpu[@]}")"
echo "--report / plain, wall: $(summary "${wall[@]}")"
