#!/usr/bin/env bash
# run_fault_matrix_wine.sh NATIVE_BUILD_DIR TEST_EXE SOURCE_ROOT SAMPLE_EEP TABLE_OUT
# Serves one simulated keyer per cell of the Wine subset (its fault switches from the native
# fault_matrix --wine-plan), maps them to COM1, COM2, ... and runs the Win32 program against them.
set -uo pipefail
native=$1
exe=$2
source "$3/scripts/common.sh"
sample=$4
table_out=$5
sim=$native/sim/ostrel-keyer-sim
plan=$native/tests/fault_matrix/fault_matrix

for tool in "$sim" "$plan"; do
  if [ ! -x "$tool" ]; then
    echo "FAIL: no $tool (build the native preset first)"
    exit 1
  fi
done

work=$(mktemp -d)
sim_pids=()
cleanup() {
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

ports=()
i=0
while read -r -a switches; do
  "$sim" --link "$work/keyer$i" --image "$sample" --image-out "$work/keyer$i.eep" \
    --heal-file "$work/heal$i" "${switches[@]}" </dev/null >"$work/sim$i.log" 2>&1 &
  sim_pids+=($!)
  ports+=("$((i + 1))=$work/keyer$i")
  i=$((i + 1))
done < <("$plan" --wine-plan)
for n in $(seq 0 $((i - 1))); do
  for _ in $(seq 50); do [ -e "$work/keyer$n" ] && break; sleep 0.1; done
  if [ ! -e "$work/keyer$n" ]; then
    echo "FAIL: simulated keyer $n did not start"
    cat "$work/sim$n.log"
    exit 1
  fi
done

prepare_wine_prefix
map_com_ports "${ports[@]}"
cp "$sample" "$work/sample.eep"
# A transfer that never returns must fail the test, not stall it.
timeout 240 wine "$exe" "$(winepath -w "$work")" "$(winepath -w "$work/sample.eep")" \
  >"$work/test.out" 2>"$work/wine.err"
status=$?
cat "$work/test.out"
sed -n '/^Fault matrix/,$p' "$work/test.out" >"$table_out"
if [ $status -ne 0 ] && ! grep -q 'cells passed' "$work/test.out"; then
  echo "FAIL: the test program did not run to its end (exit status $status)"
  tail -n 20 "$work/wine.err"
fi
exit $status
