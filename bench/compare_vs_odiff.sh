#!/bin/bash
# `varnolt --compare` against odiff's native binary on one pair of files,
# each a whole process from its start: wall time, CPU time (user + system)
# and peak memory (the resident set that /usr/bin/time reports), five runs of each taken in turns so that a busy
# machine weighs on both alike. Each figure is the ratio of the two in the
# same turn: the median of five, with the smallest and the largest.
# Usage: bench/compare_vs_odiff.sh VARNOLT OLD NEW LABEL   (run by bench/run.sh)
set -euo pipefail
varnolt=$1 old=$2 new=$3 label=$4
odiff=$("$(dirname "$0")/odiff_binary.sh")
if [ -z "$odiff" ]; then
  echo "$label: odiff's binary is not installed (npm install odiff-bin, or set ODIFF_BIN): skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Appends "seconds kilobytes cpu-seconds" of one run, averaged over $repeat
# runs in a row (the clock of CPU time ticks in hundredths of a second, longer
# than a small pair takes); the exit code says only whether the pair differs.
measure() {
  local into=$1
  shift
  local start=$EPOCHREALTIME
  /usr/bin/time -f "%M %U %S" -o "$work/time" \
    sh -c 'n=$1; shift; while [ "$n" -gt 0 ]; do "$@" >/dev/null 2>&1; n=$((n - 1)); done' \
    sh "$repeat" "$@" || true
  local end=$EPOCHREALTIME
  echo "$(awk -v a="$start" -v b="$end" -v n="$repeat" 'BEGIN { print (b - a) / n }') $(tail -n 1 \
    "$work/time" | awk -v n="$repeat" '{ print $1, ($2 + $3) / n }')" >>"$into"
}
# One run of each first, to tell how many in a row make a measurable time.
repeat=1
measure "$work/probe" "$varnolt" --compare "$old" "$new"
repeat=$(awk '{ print ($1 < 0.05 ? 100 : 1) }' "$work/probe")
for _ in 1 2 3 4 5; do
  measure "$work/odiff" "$odiff" "$old" "$new" "$work/diff.png"
  measure "$work/varnolt" "$varnolt" --compare "$old" "$new"
done

# Column 1 is the wall time, column 2 the peak memory, column 3 the CPU time.
report() {
  local column=$1 what=$2 unit=$3 scale=$4
  paste "$work/varnolt" "$work/odiff" | awk -v c="$column" -v s="$scale" \
    '{ print $c / s, $(c + 3) / s, ($(c + 3) > 0 ? $c / $(c + 3) : 0) }' | sort -g -k3 >"$work/pairs"
  awk -v label="$label" -v what="$what" -v unit="$unit" '
    { v[NR] = $1; o[NR] = $2; r[NR] = $3 }
    END {
      printf "%-26s %-12s varnolt %9.4f %s / odiff %9.4f %s = %5.2f  (min %.2f, max %.2f)\n",
        label, what, v[3], unit, o[3], unit, r[3], r[1], r[5]
    }' "$work/pairs"
}
report 1 "wall time" s 1
report 3 "CPU time" s 1
report 2 "peak memory" MiB 1024
