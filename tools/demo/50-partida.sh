#!/usr/bin/env bash
# The game image: size and boot checksum, then 40 scripted seconds on the
# simulated board (a host-side player presses the buttons), the handlers'
# worst cycle counts, and the LCD as an animated GIF (a frame every 0.1 s).
set -euo pipefail
build="$1"
images="$build/firmware/images"

flash=0
sram=0
while read -r name size _; do
  case "$name" in
    .text|.ARM.exidx) flash=$((flash + size)) ;;
    .data) flash=$((flash + size)); sram=$((sram + size)) ;;
    .bss|.noinit|STACK|HEAP) sram=$((sram + size)) ;;
  esac
done < <(arm-none-eabi-size -A -d "$images/juego.elf")
echo "juego.elf: flash $flash bytes; SRAM $sram bytes (stack included); SDRAM: the LCD frame buffer"
printf 'boot checksum word (vector slot 7): 0x%s\n' "$(od -An -tx4 -j28 -N4 "$images/juego.bin" | tr -d ' ')"

if [ ! -x "$build/bin/demo_partida" ]; then
  echo "demo_partida was not built (no board simulator in this build): the run is skipped" >&2
  exit 0
fi
frames="$(mktemp -d)"
trap 'rm -rf "$frames" "$build/.juego.gif.tmp"' EXIT
echo "controls (.controles, not loaded):"
arm-none-eabi-objcopy --dump-section .controles="$frames/controles.txt" "$images/juego.elf" \
  "$frames/copia.elf"
sed 's/^/  /' "$frames/controles.txt"
"$build/bin/demo_partida" "$images" "$frames"
# Written beside the final name and moved into place, so a failed conversion
# leaves no half-written picture.
nice -n 10 convert -delay 10 -loop 0 "$frames"/*.png -layers Optimize "gif:$build/.juego.gif.tmp"
mv -f "$build/.juego.gif.tmp" "$build/juego.gif"
echo "LCD animation: $build/juego.gif"
