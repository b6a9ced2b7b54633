#!/bin/bash
# A CI folder as CI writes it: 1,000 pairs of screenshots (PNG and JPEG,
# 1280 x 800) and a few PDFs, 950 of them identical files. CPU and wall
# time of one `varnolt --compare` of the two folders, as ratios to
# baselines timed in the same turn: `cmp` started on every pair, and
# odiff's native binary started once per picture pair. Each ratio is the
# median of 5 turns, with the smallest and the largest.
# Usage: bench/identical_folders.sh   (needs the varnolt target)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/old" "$work/new" "$work/odiff"
runs=5 pairs=1000 changed_every=20 # 50 changed pairs

screenshot() { # file, number, variant
  /usr/bin/convert -size 1280x800 xc:'#f4f4f4' -depth 8 \
    -fill '#2b5797' -draw "rectangle 0,0 1280,56" \
    -font DejaVu-Sans -fill white -pointsize 22 -annotate +24+36 "Orders - screen $2" \
    -fill '#333333' -pointsize 16 -annotate +60+200 "Revenue: $(($2 * 137 + $3 * 11))" \
    -fill '#4caf50' -draw "rectangle 720,$((200 + $3 * 30)) 900,240" "$1"
}
# A few distinct screens, copied under many names: the bytes of most pairs
# are the same on both sides, as in a run where little changed.
for n in $(seq 0 9); do
  screenshot "$work/screen_$n.png" "$n" 0
  /usr/bin/convert "$work/screen_$n.png" -quality 90 "$work/screen_$n.jpg"
done
# A two-page PDF (boxes drawn), written with its cross-reference table.
python3 - "$work/document.pdf" <<'PDF'
import sys
pages = ["0 0 0 rg 50 50 300 120 re f", "0 0 0 rg 200 400 100 100 re f"]
objects = ["<< /Type /Catalog /Pages 2 0 R >>",
           "<< /Type /Pages /Kids [%s] /Count %d >>" % (
               " ".join("%d 0 R" % (3 + 2 * i) for i in range(len(pages))), len(pages))]
for i, ops in enumerate(pages):
    objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents %d 0 R >>"
                   % (4 + 2 * i))
    objects.append("<< /Length %d >>\nstream\n%s\nendstream" % (len(ops), ops))
out, offsets = b"%PDF-1.4\n", []
for n, body in enumerate(objects, 1):
    offsets.append(len(out))
    out += b"%d 0 obj\n%s\nendobj\n" % (n, body.encode())
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
open(sys.argv[1], "wb").write(out)
PDF
for n in $(seq 1 "$pairs"); do
  kind=$([ $((n % 2)) = 0 ] && echo png || echo jpg)
  if ((n % 100 == 50)); then # 10 identical PDFs
    cp "$work/document.pdf" "$work/old/doc_$n.pdf"
    cp "$work/document.pdf" "$work/new/doc_$n.pdf"
    continue
  fi
  name=$(printf 'shot_%04d.%s' "$n" "$kind")
  cp "$work/screen_$((n % 10)).$kind" "$work/old/$name"
  if ((n % changed_every == 3)); then
    screenshot "$work/new/$name.png" "$((n % 10))" 1
    /usr/bin/convert "$work/new/$name.png" "$work/new/$name"
    rm "$work/new/$name.png"
  else
    cp "$work/old/$name" "$work/new/$name"
  fi
done
cmake --build build --target varnolt >/dev/null

# CPU seconds (user + system of the children) and wall seconds of a command.
timed() {
  /usr/bin/time -f "%U %S %e" -o "$work/time" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$work/time" | awk '{ print $1 + $2, $3 }'
}
cmp_all() {
  cd "$work/old" && for name in *; do cmp -s "$name" "../new/$name" || true; done
}
odiff_all() { # the pictures: odiff reads no PDF
  cd "$work/old" && for name in shot_*; do
    "$odiff" "$name" "../new/$name" "../odiff/$name.png" >/dev/null 2>&1 || true
  done
}
export -f cmp_all odiff_all
export work
odiff=$("$(dirname "$0")/odiff_binary.sh")
export odiff

summary() { # ratios
  printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {
    printf "median %.3f (min %.3f, max %.3f)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}
cpu_cmp=() wall_cmp=() cpu_odiff=() wall_odiff=()
for _ in $(seq $runs); do
  read -r vc vw < <(timed build/varnolt --compare "$work/old" "$work/new")
  read -r cc cw < <(timed bash -c cmp_all)
  cpu_cmp+=("$(awk -v a="$vc" -v b="$cc" 'BEGIN { print a / b }')")
  wall_cmp+=("$(awk -v a="$vw" -v b="$cw" 'BEGIN { print a / b }')")
  if [ -n "$odiff" ]; then
    read -r oc ow < <(timed bash -c odiff_all)
    cpu_odiff+=("$(awk -v a="$vc" -v b="$oc" 'BEGIN { print a / b }')")
    wall_odiff+=("$(awk -v a="$vw" -v b="$ow" 'BEGIN { print a / b }')")
  fi
  echo "  turn: varnolt ${vc} s CPU ${vw} s wall; cmp ${cc} s CPU; odiff ${oc:-?} s CPU"
done
echo "Folders of $pairs pairs, $((pairs - pairs / changed_every)) identical files:"
echo "  varnolt / cmp of every pair, CPU:   $(summary "${cpu_cmp[@]}")"
echo "  varnolt / cmp of every pair, wall:  $(summary "${wall_cmp[@]}")"
if [ -n "$odiff" ]; then
  echo "  varnolt / odiff once per pair, CPU:  $(summary "${cpu_odiff[@]}")"
  echo "  varnolt / odiff once per pair, wall: $(summary "${wall_odiff[@]}")"
else
  echo "  odiff's binary is not installed (npm install odiff-bin): varnolt / odiff skipped"
fi
