#!/usr/bin/env bash
# Renders the application icon (16, 32 and 48 pixels) from its SVG sources into
# resources/ostrel3tools.ico. Needs ImageMagick; run it again after editing an SVG.
# Each size is drawn large and box-averaged down, so edges on whole pixels stay sharp.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -background none -density 576 "$here/ostrel3tools_16.svg" -scale 16x16 "PNG32:$work/16.png"
convert -background none -density 144 "$here/ostrel3tools.svg" -scale 32x32 "PNG32:$work/32.png"
convert -background none -density 288 "$here/ostrel3tools.svg" -scale 48x48 "PNG32:$work/48.png"
convert "$work/16.png" "$work/32.png" "$work/48.png" "$here/../ostrel3tools.ico"
