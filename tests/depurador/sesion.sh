#!/usr/bin/env bash
# One debugging session as a user has it: lpc4088-sim serves IMAGE on a free
# port, gdb-multiarch connects and runs the commands of SCRIPT (one file per
# session, @PORT@ standing for the port), then the simulator must end too.
# Usage: sesion.sh SIM GDB IMAGE SIM_ARGS... -- SCRIPT [SCRIPT ...]
# Each further SCRIPT is a new debugger connecting after the previous one
# detached. A script whose first line is "# ctrl-c after N" gets the user's
# Ctrl-C (SIGINT to the debugger) N seconds after the simulator says the
# firmware runs. Prints the debuggers' output; exits with the simulator's
# status.
set -u
sim="$1" gdb="$2" image="$3"
shift 3
sim_args=()
while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do sim_args+=("$1"); shift; done
shift
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
"$sim" "$image" --gdb 127.0.0.1:0 "${sim_args[@]}" >"$work/sim.out" 2>"$work/sim.err" &
pid=$!
port=""
for _ in $(seq 1 200); do
  port="$(sed -n 's/^gdb: waiting for a connection on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/sim.err" | head -1)"
  [ -n "$port" ] && break
  sleep 0.05
done
if [ -z "$port" ]; then
  echo "the simulator did not listen:"; cat "$work/sim.err"; exit 99
fi
for script in "$@"; do
  sed "s/@PORT@/$port/g" "$script" >"$work/commands.gdb"
  ctrl_c="$(sed -n '1s/^# ctrl-c after \([0-9.]*\)$/\1/p' "$script")"
  timeout --foreground 60 stdbuf -oL "$gdb" -nx -batch -ex "set pagination off" -ex "set confirm off" \
    -x "$work/commands.gdb" "$image" >"$work/gdb.out" 2>&1 &
  gdb_pid=$!
  if [ -n "$ctrl_c" ]; then
    # Counted from when the board runs, however slowly the debugger got it
    # there: a Ctrl-C while it is still talking would make it give up.
    for _ in $(seq 1 300); do grep -q "^gdb: firmware running$" "$work/sim.err" && break; sleep 0.1; done
    sleep "$ctrl_c"
    kill -INT "$gdb_pid" 2>/dev/null
  fi
  wait "$gdb_pid"
  cat "$work/gdb.out"
done
# A session that ends with a detach leaves the board running to its --for.
for _ in $(seq 1 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill "$pid" 2>/dev/null  # still there after a minute: the test fails on its output
status=0
wait "$pid" || status=$?
echo "--- simulator"
cat "$work/sim.out" "$work/sim.err"
exit "$status"
