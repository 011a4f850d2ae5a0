#!/usr/bin/env bash
# The clock image: size and boot checksum, then a few seconds on the
# simulated board with a stop and a resume: times shown, LED changes, and a
# PNG of the LCD.
set -euo pipefail
build="$1"
images="$build/firmware/images"

echo "reloj.elf: size (flash = text + data; SRAM = data + bss without the SDRAM frame buffer)"
arm-none-eabi-size -A -x "$images/reloj.elf" | grep -E '^(section|\.text|\.ARM\.exidx|\.data|\.bss|\.noinit|STACK|HEAP|\.sdram) '
printf 'boot checksum word (vector slot 7): 0x%s\n' "$(od -An -tx4 -j28 -N4 "$images/reloj.bin" | tr -d ' ')"

if [ ! -x "$build/bin/demo_reloj" ]; then
  echo "demo_reloj was not built (no board simulator in this build): the run is skipped" >&2
  exit 0
fi
"$build/bin/demo_reloj" "$images" "$build/reloj.png"
