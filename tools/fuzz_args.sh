# Sourced by ./lab and by the fuzz scripts, so that every fuzz run accepts
# the same durations: a positive whole number of seconds, written without
# sign or leading zeros, that libFuzzer's int flag can hold. Anything else
# ("abc", "0", "-5", "1.5") would run without a time limit or for another
# time than the one asked for.
fuzz_seconds_valid() {
  [[ "$1" =~ ^[1-9][0-9]{0,9}$ ]] && (( $1 <= 2147483647 ))
}

# Exits with status 2 after the caller's usage line when $2 is not a valid
# duration.
fuzz_check_seconds() {
  local usage="$1" seconds="$2"
  fuzz_seconds_valid "$seconds" && return 0
  echo "fuzz: SECONDS must be a whole number from 1 to 2147483647, not '$seconds'" >&2
  echo "$usage" >&2
  exit 2
}

# The fuzzing targets by name: bmp (the BMP reader), gdb (the debug
# server's packet reader), gdb-session (the debug server on a connection).
fuzz_targets="bmp gdb gdb-session"

# Exits with status 2 after the caller's usage line when $2 names no target.
fuzz_check_target() {
  local usage="$1" target="$2" t
  for t in $fuzz_targets; do
    [ "$target" = "$t" ] && return 0
  done
  echo "fuzz: TARGET must be one of: $fuzz_targets; not '$target'" >&2
  echo "$usage" >&2
  exit 2
}
