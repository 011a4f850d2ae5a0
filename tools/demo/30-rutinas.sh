#!/usr/bin/env bash
# Runs the console programs of the SSE and integer routines, then the 32-bit
# program that shows the i386 routines. $1 is the build folder.
set -euo pipefail
bin="$1/bin"

for programa in demo_filas demo_producto demo_diagonal; do
  echo "--- $programa"
  "$bin/$programa"
  echo
done
echo "--- demo_contar, with 6 typed on standard input"
echo 6 | "$bin/demo_contar"
echo
echo "--- demo_ordenar"
"$bin/demo_ordenar"
echo
if [ -x "$bin/demo_i386" ]; then
  echo "--- demo_i386"
  # Kernels without IA-32 emulation run it under the user-mode emulator.
  if "$bin/demo_i386" >/dev/null 2>&1; then
    "$bin/demo_i386"
  else
    qemu-i386 "$bin/demo_i386"
  fi
fi
