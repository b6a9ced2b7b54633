#!/bin/bash
# `varnolt --compare` of two long PDF drawing sets whose every sheet changed,
# against poppler's pdftoppm drawing every page of both at the resolution
# pages are compared at (150 dpi): whole processes, wall time and CPU time
# (user + system, as /usr/bin/time reports them), and their ratios.
# pdftoppm draws the two sets at once, as the program draws both versions,
# in runs of 25 pages whose pictures are deleted after each run: 500 A3
# sheets at 150 dpi would take 6.5 GB a set.
# Usage: bench/long_sets.sh [VARNOLT] [SHEETS]   (run by bench/run.sh; 500 sheets)
set -euo pipefail
cd "$(dirname "$0")/.."
varnolt=${1:-build/varnolt} sheets=${2:-500}
if ! command -v pdftoppm >/dev/null; then
  echo "long sets: pdftoppm is not installed (apt-get install poppler-utils): skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --build build --target varnolt_stall_bench >/dev/null
mapfile -t sets < <(build/bench/varnolt_stall_bench --write-sets "$work" "$sheets")

# Appends "wall-seconds cpu-seconds" of one command to a file.
measure() {
  local into=$1
  shift
  local start=$EPOCHREALTIME times=$work/time.$BASHPID
  /usr/bin/time -f "%U %S" -o "$times" "$@" >/dev/null 2>&1 || true
  local end=$EPOCHREALTIME
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }') $(tail -n 1 "$times" |
    awk '{ print $1 + $2 }')" >>"$into"
}

# One set's pages drawn by pdftoppm in runs of 25, each run's pictures
# deleted before the next.
draw_set() { # file, folder
  mkdir -p "$2"
  local first
  for ((first = 1; first <= sheets; first += 25)); do
    measure "$2.times" pdftoppm -r 150 -f "$first" -l $((first + 24)) "$1" "$2/page"
    rm -f "$2"/page*
  done
}

measure "$work/varnolt" "$varnolt" --compare "${sets[0]}" "${sets[1]}"
start=$EPOCHREALTIME
draw_set "${sets[0]}" "$work/old" &
draw_set "${sets[1]}" "$work/new"
wait
end=$EPOCHREALTIME
pdftoppm_wall=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
pdftoppm_cpu=$(cat "$work/old.times" "$work/new.times" | awk '{ cpu += $2 } END { print cpu }')
read -r varnolt_wall varnolt_cpu <"$work/varnolt"
awk -v n="$sheets" -v vw="$varnolt_wall" -v vc="$varnolt_cpu" -v pw="$pdftoppm_wall" \
  -v pc="$pdftoppm_cpu" 'BEGIN {
    label = sprintf("%d sheets, all changed", n)
    printf "%-26s wall time    varnolt %8.1f s / pdftoppm -r 150 %8.1f s = %5.2f\n", label, vw, pw, vw / pw
    printf "%-26s CPU time     varnolt %8.1f s / pdftoppm -r 150 %8.1f s = %5.2f\n", label, vc, pc, vc / pc
  }'
