#!/usr/bin/env bash
# Runs the console programs of the SSE and integer routines, then the 32-bit
# program that shows the i386 routines. $1 is the build folder.
set -euo pipefail
bin="$1/bin"

mostrar() {
  echo "--- $*"
  "$@"
  echo
}

mostrar "$bin/demo_filas"
mostrar "$bin/demo_producto"
mostrar "$bin/demo_diagonal"
echo "--- echo 6 | $bin/demo_contar"
echo 6 | "$bin/demo_contar"
echo
mostrar "$bin/demo_ordenar"
if [ -x "$bin/demo_i386" ]; then
  echo "--- $bin/demo_i386"
  "$bin/demo_i386"
fi
