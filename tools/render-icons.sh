#!/usr/bin/env bash
# Renders the program's own pictures from their drawings in resources/icons-src, each at its own
# size (NAME.png) and at twice that size (NAME@2x.png) for screens scaled by two or more:
#   icons-src/GROUP/NAME.svg  -> icons/GROUP/NAME.png, icons/GROUP/NAME@2x.png
#   icons-src/app.svg         -> icons/app.png, icons/app@2x.png
#   icons-src/about.svg       -> about.png, about@2x.png
#   icons-src/stars/NAME.svg  -> data/Temp/NAME@2x.gif only: the small star GIFs stay the files that
#                                data folders have always held.
# A drawing's width and height are its size at scale one. Needs ImageMagick; the results are
# committed, so a build does not.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
res=$top/resources
src=$res/icons-src
convert_bin=/usr/local/bin/convert
[ -x "$convert_bin" ] || convert_bin=convert

# ImageMagick's own renderer reads an SVG at 96 dots per inch as one pixel per unit.
render() { # SVG SCALE OUT
  "$convert_bin" -background none -density $((96 * $2)) "$1" -strip "PNG32:$3"
}

pair() { # SVG OUT_WITHOUT_.png
  render "$1" 1 "$2.png"
  render "$1" 2 "$2@2x.png"
}

for svg in "$src"/*/*.svg; do
  group=$(basename "$(dirname "$svg")")
  name=$(basename "$svg" .svg)
  if [ "$group" = stars ]; then
    # GIF knows only whole transparency: an edge pixel is the star's when mostly covered.
    "$convert_bin" -background none -density 192 "$svg" -channel A -threshold 40% +channel -strip \
      "GIF:$res/data/Temp/$name@2x.gif"
  else
    mkdir -p "$res/icons/$group"
    pair "$svg" "$res/icons/$group/$name"
  fi
done
pair "$src/app.svg" "$res/icons/app"
pair "$src/about.svg" "$res/about"
