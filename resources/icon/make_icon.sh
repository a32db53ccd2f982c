#!/usr/bin/env bash
# Renders the application icon from its SVG sources: 16, 32 and 48 pixels into
# resources/ostrel3tools.ico (the exe's), and the sizes the Linux menus take, 16 to 256 pixels,
# into resources/icon/hicolor/ (the package's). Needs ImageMagick; run it again after editing an
# SVG. Each size is drawn large and box-averaged down, so edges on whole pixels stay sharp. The
# PNGs carry no date, so that the same SVG gives the same bytes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -background none -density 576 "$here/ostrel3tools_16.svg" -scale 16x16 "PNG32:$work/16.png"
convert -background none -density 144 "$here/ostrel3tools.svg" -scale 32x32 "PNG32:$work/32.png"
convert -background none -density 288 "$here/ostrel3tools.svg" -scale 48x48 "PNG32:$work/48.png"
convert "$work/16.png" "$work/32.png" "$work/48.png" "$here/../ostrel3tools.ico"

mkdir -p "$here/hicolor"
no_date=(-define png:exclude-chunks=date,time +set date:create +set date:modify)
for size in 16 32 48; do
  convert "$work/$size.png" -strip "${no_date[@]}" "PNG32:$here/hicolor/$size.png"
done
# The other sizes from the 48-unit drawing, three times over and averaged down.
for size in 22 24 64 128 256; do
  convert -background none -density $((size * 3 * 72 / 48)) "$here/ostrel3tools.svg" \
    -scale "${size}x$size" -strip "${no_date[@]}" "PNG32:$here/hicolor/$size.png"
done
