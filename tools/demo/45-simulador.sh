#!/usr/bin/env bash
# Board simulator: the clock image with a stop and a restart button press and
# P2.22 held low (LED1 on), then a test image that faults and parks in its
# handler (lpc4088-sim exits with 2)
# (usage: 45-simulador.sh BUILD_DIR).
set -euo pipefail
build="$1"
images="$build/firmware/images"
"$build/bin/lpc4088-sim" "$images/reloj.elf" --for 5s --press P2.27@1.5s --press P2.25@2.5s \
  --pin P2.22=0@0.5s --pin P2.22=1@3s --screenshot "$build/reloj-5s.png"
echo "--- a test image that reads from nowhere when P2.10 goes low"
status=0
"$build/bin/lpc4088-sim" "$images/sim_fallos.elf" --for 10ms --pin P2.10=0@5ms || status=$?
echo "exit status $status"
