#!/usr/bin/env bash
# The clock image: size and boot checksum, then a few seconds on the
# simulated board with a stop and a resume: times shown, LED changes, and a
# PNG of the LCD.
set -euo pipefail
build="$1"
images="$build/firmware/images"

flash=0
sram=0
echo "reloj.elf sections:"
while read -r name size addr; do
  case "$name" in
    .text|.ARM.exidx|.data|.bss|.noinit|STACK|HEAP|.sdram) ;;
    *) continue ;;
  esac
  printf '  %-11s %7d bytes at %s\n' "$name" "$size" "$addr"
  case "$name" in
    .text|.ARM.exidx) flash=$((flash + size)) ;;
    .data) flash=$((flash + size)); sram=$((sram + size)) ;;
    .sdram) ;;
    *) sram=$((sram + size)) ;;
  esac
done < <(arm-none-eabi-size -A -x "$images/reloj.elf")
echo "flash: $flash bytes; SRAM: $sram bytes (stack included); SDRAM: the LCD frame buffer"
printf 'boot checksum word (vector slot 7): 0x%s\n' "$(od -An -tx4 -j28 -N4 "$images/reloj.bin" | tr -d ' ')"

if [ ! -x "$build/bin/demo_reloj" ]; then
  echo "demo_reloj was not built (no board simulator in this build): the run is skipped" >&2
  exit 0
fi
"$build/bin/demo_reloj" "$images" "$build/reloj.png"
