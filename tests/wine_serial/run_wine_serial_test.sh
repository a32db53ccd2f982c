#!/usr/bin/env bash
# run_wine_serial_test.sh SIMULATOR TEST_EXE SOURCE_ROOT
# Serves a simulated keyer on a pty, makes it COM1 of the Wine prefix and runs the Win32 serial
# test program against it.
set -uo pipefail
sim=$1
exe=$2
source "$3/scripts/common.sh"

if [ ! -x "$sim" ]; then
  echo "FAIL: no simulator at $sim (build the native preset first)"
  exit 1
fi

work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Paced like a real line, so that the 288-byte reply trickles in over 2.4 s.
"$sim" --link "$work/keyer" --realtime >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/keyer" ] && break; sleep 0.1; done
if [ ! -e "$work/keyer" ]; then
  echo "FAIL: the simulator did not start"
  cat "$work/sim.out"
  exit 1
fi

prepare_wine_prefix
map_com_ports 1="$work/keyer"
# The wineserver that this starts outlives the program and inherits its output: into files, so
# that it neither holds the test's pipe open nor floods the log.
# A transfer that never returns must fail the test, not stall it.
timeout 120 wine "$exe" >"$work/test.out" 2>"$work/wine.err" &
wine_pid=$!
# The program's last part reads while the keyer is pulled away under it.
for _ in $(seq 1200); do
  grep -q '^unplug' "$work/test.out" && break
  kill -0 "$wine_pid" 2>/dev/null || break
  sleep 0.1
done
if grep -q '^unplug' "$work/test.out"; then
  sleep 0.5
  kill -KILL "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  sim_pid=
fi
wait "$wine_pid"
status=$?
cat "$work/test.out"
if [ $status -ne 0 ] && ! grep -q '^FAIL$' "$work/test.out"; then
  echo "FAIL: the test program did not run to its end (exit status $status)"
  tail -n 20 "$work/wine.err"
fi
exit $status
