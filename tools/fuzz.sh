#!/usr/bin/env bash
# tools/fuzz.sh BUILD_DIR [SECONDS] [TARGET]: runs a libFuzzer target for
# SECONDS from freshly generated seeds plus the corpus grown by earlier runs,
# and prints how many inputs it executed; without TARGET, every target in
# turn (bmp: the BMP reader, gdb: the debug server's packet reader,
# gdb-session: the debug server on a whole connection). Crash inputs land in
# BUILD_DIR/fuzz/artefactos; a crash makes the script fail.
set -euo pipefail
usage="usage: tools/fuzz.sh BUILD_DIR [SECONDS] [TARGET]"
source "$(dirname "$0")/fuzz_args.sh"
[ $# -ge 1 ] && [ $# -le 3 ] || { echo "$usage" >&2; exit 2; }
build="$1"
seconds="${2-60}"
fuzz_check_seconds "$usage" "$seconds"
targets="$fuzz_targets"
if [ $# -eq 3 ]; then
  fuzz_check_target "$usage" "$3"
  targets="$3"
fi
dir="$build/fuzz"

# run NAME FUZZER SEEDER WHAT
run() {
  local name="$1" fuzzer="$dir/$2" seeder="$dir/$3" what="$4"
  [ -x "$fuzzer" ] || { echo "fuzz: $fuzzer not built" >&2; exit 1; }
  # One corpus per target: inputs of one mean nothing to the other.
  local corpus="$dir/corpus-$name" seeds="$dir/semillas-$name"
  mkdir -p "$seeds" "$corpus" "$dir/artefactos"
  "$seeder" "$seeds"

  local log="$dir/ultima-ejecucion-$name.log" status=0 runs
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/artefactos/$name-" "$corpus" "$seeds" >"$log" 2>&1 || status=$?

  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" -ne 0 ]; then
    tail -40 "$log" >&2
    echo "fuzz: $what FAILED after ${runs:-?} executions; inputs in $dir/artefactos" >&2
    exit "$status"
  fi
  echo "fuzz: $what ran ${runs:-?} executions in $seconds s, no failure (log: $log)"
}

for target in $targets; do
  case "$target" in
    bmp) run bmp fuzz_leer_bmp semillas_bmp BMP_ReadFile ;;
    gdb) run gdb fuzz_paquetes_gdb semillas_gdb "the debug server's packet reader" ;;
    gdb-session) run gdb-session fuzz_sesion_gdb semillas_gdb "the debug server's session" ;;
  esac
done
