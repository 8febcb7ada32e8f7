#!/usr/bin/env bash
# Remakes the desktop icons of the hicolor theme from the program's own icon: the small sizes from
# resources/icons/app.png, the large ones from the drawn resources/desktop/icons/*.svg. Needs ImageMagick;
# the results are committed so that a build does not.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
id=org.example.ReelShelfIndex
icons="$top/resources/desktop/icons"
convert_bin=/usr/bin/convert
[ -x "$convert_bin" ] || convert_bin=convert
for size in 16 22 24 32 48 64; do
  "$convert_bin" "$top/resources/icons/app.png" -filter Lanczos -resize "${size}x${size}" -strip "PNG32:$icons/$id-$size.png"
done
for size in 128 256; do
  density=$((96 * size / 64))
  "$convert_bin" -background none -density "$density" "$icons/$id.svg" -resize "${size}x${size}" -strip "PNG32:$icons/$id-$size.png"
done
