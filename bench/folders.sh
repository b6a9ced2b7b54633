#!/bin/bash
# Two folders of 200 screenshots (1280 x 800, text and boxes drawn by
# ImageMagick; a few changed, a few removed and added) compared at once,
# as ratios to same-run baselines, each the median of 5 paired runs with
# the smallest and largest:
#   1. one varnolt --compare of the folders / odiff's native binary started
#      once per pair, wall and CPU
#      (and / odiff on every core, started by xargs -P)
#   2. varnolt --compare --jobs 2 / --jobs 1
# Usage: bench/folders.sh   (run by bench/run.sh; needs the varnolt target)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/old" "$work/new" "$work/odiff"
runs=5
cores=$(nproc)

screenshot() { # file, number, variant (0: as before)
  local n=$2 v=$3
  local top=$((100 + (n % 7) * 10)) width=$((300 + (n % 5) * 40))
  /usr/bin/convert -size 1280x800 xc:'#f4f4f4' -depth 8 \
    -fill '#2b5797' -draw "rectangle 0,0 1280,56" \
    -font DejaVu-Sans -fill white -pointsize 22 -annotate +24+36 "Orders - screen $n" \
    -fill white -stroke '#c8c8c8' -draw "rectangle 40,$top $((40 + width)),$((top + 260))" \
    -draw "rectangle 700,100 1240,700" -stroke none \
    -fill '#333333' -pointsize 16 \
    -annotate +60+$((top + 40)) "Revenue this month: $((n * 137 + v * 11))" \
    -annotate +60+$((top + 80)) "Open tickets: $((n % 13))" \
    -annotate +720+140 "Customer list, page $n" \
    -fill "$([ "$v" = 0 ] && echo '#4caf50' || echo '#e53935')" \
    -draw "rectangle 720,$((200 + v * 30)) 900,240" \
    "$1"
}

for n in $(seq 1 200); do
  name=$(printf 'screen_%03d.png' "$n")
  screenshot "$work/old/$name" "$n" 0
  if ((n % 20 == 7)); then # 10 changed
    screenshot "$work/new/$name" "$n" 1
  elif ((n % 50 != 13)); then # 4 removed, the rest identical
    cp "$work/old/$name" "$work/new/$name"
  fi
done
for n in 201 202 203 204; do # 4 added
  screenshot "$work/new/$(printf 'screen_%03d.png' "$n")" "$n" 0
done
cmake --build build --target varnolt >/dev/null

now() { date +%s%N; }
ms() { echo $((($2 - $1) / 1000000)); } # start, end

# The median, smallest and largest of the numbers given.
summary() {
  printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {
    printf "median %.2f (min %.2f, max %.2f)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

# "wall-ms cpu-ms" of one run (CPU: user + system, children included).
timed_ms() {
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$work/time" | awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }'
}
varnolt_ms() { # extra options
  timed_ms build/varnolt --compare "$@" "$work/old" "$work/new"
}

pairs() { # the names on both sides
  (cd "$work/old" && ls) | while read -r name; do
    [ -e "$work/new/$name" ] && echo "$name"
  done
}
pairs >"$work/pairs"

odiff=$(bench/odiff_binary.sh)
odiff_ms() { # parallel runs
  timed_ms xargs -P "$1" -I{} sh -c '"$0" "$1/old/$2" "$1/new/$2" "$1/odiff/$2" >/dev/null 2>&1; true' \
    "$odiff" "$work" {} <"$work/pairs"
}

echo "Folders of 200 screenshots, 1280 x 800 (10 changed, 4 removed, 4 added), $cores cores:"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > 0 ? a / b : 0) }'; }
if [ -n "$odiff" ]; then
  ratios=() ratios_all=() cpu_ratios=() mine=() theirs=()
  for _ in $(seq $runs); do
    read -r v vc < <(varnolt_ms)
    read -r o oc < <(odiff_ms 1)
    read -r p _ < <(odiff_ms "$cores")
    mine+=("$v") theirs+=("$o")
    ratios+=("$(ratio "$v" "$o")") cpu_ratios+=("$(ratio "$vc" "$oc")")
    ratios_all+=("$(ratio "$v" "$p")")
  done
  echo "  varnolt --compare (one per core) $(summary "${mine[@]}") ms"
  echo "  odiff, one per pair              $(summary "${theirs[@]}") ms"
  echo "  varnolt --compare / odiff once per pair, wall:    $(summary "${ratios[@]}")"
  echo "  varnolt --compare / odiff once per pair, CPU:     $(summary "${cpu_ratios[@]}")"
  echo "  varnolt --compare / odiff per pair on every core: $(summary "${ratios_all[@]}")"
else
  echo "  odiff's binary is not installed (npm install odiff-bin): varnolt / odiff skipped"
fi

ratios=() one=() two=()
for _ in $(seq $runs); do
  read -r a _ < <(varnolt_ms --jobs 1)
  read -r b _ < <(varnolt_ms --jobs 2)
  one+=("$a") two+=("$b")
  ratios+=("$(awk -v a="$b" -v b="$a" 'BEGIN { print a / b }')")
done
echo "  varnolt --jobs 1                 $(summary "${one[@]}") ms"
echo "  varnolt --jobs 2                 $(summary "${two[@]}") ms"
echo "  varnolt --jobs 2 / --jobs 1:     $(summary "${ratios[@]}")"
