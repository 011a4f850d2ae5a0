#!/usr/bin/env bash
# Game core: a scripted game in text mode (usage: 10-juego.sh BUILD_DIR).
set -euo pipefail
"$1/bin/demo_juego"
