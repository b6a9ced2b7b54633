#!/bin/sh
# Regenerates the small sample pictures of the decoder tests with ImageMagick.
# Every sample shows the same 7 x 5 pattern (see reference_color in the tests):
# colour number (x + 2y) mod 8 of black, white, red, green, blue, yellow,
# cyan and grey. The bilevel samples show a checkerboard of 3-pixel squares,
# black where (x / 3 + y / 3) is odd.
set -e
IM=${IM:-/usr/bin/convert-im6.q16}
cd "$(dirname "$0")"
python3 - <<'PY'
colors = [(0,0,0),(255,255,255),(255,0,0),(0,255,0),(0,0,255),(255,255,0),(0,255,255),(128,128,128)]
w, h = 7, 5
with open("reference.ppm", "wb") as f:
    f.write(b"P6 %d %d 255\n" % (w, h))
    for y in range(h):
        for x in range(w):
            f.write(bytes(colors[(x + 2 * y) % 8]))
bw, bh = 10, 6
with open("bilevel.pbm", "wb") as f:
    f.write(b"P1 %d %d\n" % (bw, bh))
    for y in range(bh):
        f.write((" ".join("1" if ((x // 3) + (y // 3)) % 2 else "0" for x in range(bw)) + "\n").encode())
PY
R=reference.ppm
S="-strip -define png:exclude-chunks=date,time"
$IM $R $S PNG24:rgb8.png
$IM $R $S PNG8:palette.png
$IM $R $S -interlace PNG PNG24:interlaced.png
$IM $R $S -depth 16 PNG48:rgb16.png
$IM $R $S -alpha set -channel A -fx "i/w" +channel PNG32:rgba.png
$IM $R $S -colorspace Gray -alpha set -channel A -fx "0.5" +channel -depth 16 PNG:graya16.png
$IM bilevel.pbm $S -depth 1 PNG:gray1.png
$IM $R BMP3:rgb24.bmp
$IM $R -type Palette BMP3:palette8.bmp
$IM $R -type Palette -compress RLE BMP3:rle8.bmp
$IM $R -alpha set -channel A -fx "i/w" +channel BMP:rgba32.bmp
$IM $R ico:icon.ico
$IM $R -quality 100 -sampling-factor 1x1 jpg:rgb.jpg
$IM $R -quality 95 -interlace JPEG jpg:progressive.jpg
$IM $R -colorspace CMYK -quality 100 -sampling-factor 1x1 jpg:cmyk.jpg
$IM $R gif:palette.gif
$IM $R -interlace GIF gif:interlaced.gif
$IM $R -compress None tif:raw.tif
$IM $R -compress LZW tif:lzw.tif
$IM $R -compress Zip tif:zip.tif
$IM bilevel.pbm -compress Group4 tif:g4.fax
# Stored turned or mirrored, with the orientation tag that turns them upright
# (2-8; raw.tif is 1): rows stored as columns in 5-8.
n=2
for stored in "-flop TopRight" "-rotate 180 BottomRight" "-flip BottomLeft" "-transpose LeftTop" \
  "-rotate 270 RightTop" "-transverse RightBottom" "-rotate 90 LeftBottom"; do
  # shellcheck disable=SC2086 # the operator and its argument are two words
  $IM $R ${stored% *} -orient ${stored##* } -type TrueColor -compress None tif:orient$n.tif
  n=$((n + 1))
done
# Targa origin follows -orient: a bottom-up file is written from a flipped picture.
$IM $R -flip -orient bottomleft -compress None tga:raw.tga
$IM $R -orient topleft -compress RLE tga:rle.tga
$IM $R pcx:rgb24.pcx
$IM $R -type Palette pcx:palette8.pcx
$IM $R psd:rgb.psd
$IM $R -compress None sgi:verbatim.sgi
$IM $R -compress RLE sgi:rle.sgi
rm -f reference.ppm bilevel.pbm
