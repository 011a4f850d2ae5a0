#!/usr/bin/env bash
# Black and white: draws a grey and a colour test picture with the BMP
# library, thresholds both with umbral and prints where the results are and
# how many pixels went white.
set -euo pipefail
bin="$1/bin"
out="$1/demo/umbral"
mkdir -p "$out"

"$bin/imagen_prueba" gris "$out/gris.bmp" 320 200 >/dev/null
"$bin/imagen_prueba" color "$out/color.bmp" 321 203 >/dev/null
echo "pictures: $out/gris.bmp (8-bit grey), $out/color.bmp (24-bit colour)"
"$bin/umbral" "$out/gris.bmp" "$out/gris-bn.bmp" 128
"$bin/umbral" "$out/color.bmp" "$out/color-bn.bmp" 100
