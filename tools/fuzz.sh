#!/usr/bin/env bash
# tools/fuzz.sh BUILD_DIR [SECONDS]: runs the BMP reader's libFuzzer target for
# SECONDS from freshly generated seeds plus the corpus grown by earlier runs,
# and prints how many inputs it executed. Crash inputs land in
# BUILD_DIR/fuzz/artefactos; a crash makes the script fail.
set -euo pipefail
usage="usage: tools/fuzz.sh BUILD_DIR [SECONDS]"
source "$(dirname "$0")/fuzz_args.sh"
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "$usage" >&2; exit 2; }
build="$1"
seconds="${2-60}"
fuzz_check_seconds "$usage" "$seconds"
dir="$build/fuzz"
fuzzer="$dir/fuzz_leer_bmp"
[ -x "$fuzzer" ] || { echo "fuzz: $fuzzer not built" >&2; exit 1; }

mkdir -p "$dir/semillas" "$dir/corpus" "$dir/artefactos"
"$dir/semillas_bmp" "$dir/semillas"

log="$dir/ultima-ejecucion.log"
status=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$dir/artefactos/" "$dir/corpus" "$dir/semillas" >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
if [ "$status" -ne 0 ]; then
  tail -40 "$log" >&2
  echo "fuzz: FAILED after ${runs:-?} executions; inputs in $dir/artefactos" >&2
  exit "$status"
fi
echo "fuzz: BMP_ReadFile ran ${runs:-?} executions in $seconds s, no failure (log: $log)"
