#!/usr/bin/env bash
# Redraws app.ico, the application icon (a clock face, 16x16 and 32x32, 32-bit with alpha), with
# ImageMagick. The .ico is kept in the repository; run this only to change the drawing.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 32x32 xc:none -fill white -stroke '#1a4d99' -strokewidth 2.5 \
  -draw 'circle 15.5,15.5 15.5,2.5' -strokewidth 1 \
  -draw 'line 15.5,4.5 15.5,6.5' -draw 'line 15.5,24.5 15.5,26.5' \
  -draw 'line 4.5,15.5 6.5,15.5' -draw 'line 24.5,15.5 26.5,15.5' \
  -stroke black -strokewidth 2 -draw 'line 15.5,15.5 15.5,8' -draw 'line 15.5,15.5 21,18.5' \
  -fill '#cc0000' -stroke none -draw 'circle 15.5,15.5 15.5,14' "$tmp/32.png"
convert -size 16x16 xc:none -fill white -stroke '#1a4d99' -strokewidth 1.5 \
  -draw 'circle 7.5,7.5 7.5,1' -stroke black -strokewidth 1 \
  -draw 'line 7.5,7.5 7.5,3.5' -draw 'line 7.5,7.5 10.5,9' "$tmp/16.png"
convert "$tmp/16.png" "$tmp/32.png" app.ico
