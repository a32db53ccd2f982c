#!/usr/bin/env bash
# headless_run_test.sh SOURCE_ROOT NATIVE_BUILD WINDOWS_BUILD OUTPUT_DIR
# ./run where there is no display: the walk-through's screenshots and settings file; a failing
# step named, with its reason (a silent keyer, an "Error" box), a screenshot and no stale files;
# the refusal to walk a real keyer unwatched.
# WINEPREFIX comes from the environment (./test's); ./run starts its own virtual display.
set -uo pipefail
if [ $# -ne 4 ]; then
  echo "usage: bash $(basename "$0") SOURCE_ROOT NATIVE_BUILD WINDOWS_BUILD OUTPUT_DIR"
  exit 1
fi
root=$1
export OSTREL_NATIVE_BUILD=$2 OSTREL_WINDOWS_BUILD=$3
out=$4
rm -rf "$out"
mkdir -p "$out"

failures=0
fail() {
  echo "FAIL $case_name: $*"
  failures=$((failures + 1))
}

# run_case DISPLAY STATUS ARGS...: ./run with DISPLAY unset ("-") or set to the value, into
# $case_out; its output in $case_out.log; the exit status compared.
run_case() {
  local display=$1 expected=$2
  shift 2
  local env_args=(env -u DISPLAY)
  [ "$display" = - ] || env_args+=(DISPLAY="$display")
  "${env_args[@]}" bash "$root/run" --output "$case_out" "$@" >"$case_out.log" 2>&1
  local status=$?
  if [ "$status" -ne "$expected" ]; then
    fail "exit status $status, expected $expected; its output:"
    cat "$case_out.log"
  fi
}

expect_line() {
  grep -qF -- "$1" "$case_out.log" || fail "no line \"$1\" in its output"
}

# A screenshot of the main window: a real picture (not one flat colour), smaller than the screen.
expect_window_shot() {
  local file=$case_out/$1 size spread
  [ -s "$file" ] || { fail "$1 is missing"; return; }
  size=$(identify -format '%w %h' "$file" 2>/dev/null)
  spread=$(convert "$file" -format '%[fx:standard_deviation]' info: 2>/dev/null)
  read -r w h <<<"$size"
  if [ -z "$size" ] || [ "$w" -lt 400 ] || [ "$w" -ge 1280 ] || [ "$h" -lt 300 ] || [ "$h" -ge 1024 ]; then
    fail "$1 is $size, not the main window"
  fi
  awk -v s="${spread:-0}" 'BEGIN { exit !(s > 0.05) }' || fail "$1 is blank (deviation $spread)"
}

# The virtual display that ./run started has ended with it.
expect_display_gone() {
  local pid
  pid=$(sed -n 's/^Virtual display :[0-9]* (Xvfb, process \([0-9]*\))$/\1/p' "$case_out.log")
  [ -n "$pid" ] || { fail "it did not name its virtual display"; return; }
  ! kill -0 "$pid" 2>/dev/null || fail "its Xvfb (process $pid) is still running"
}

shots=(1-test.png 2-read.png 3-write.png 4-write-config-file.png)

case_name="walk-through, DISPLAY unset"
case_out=$out/walk
run_case - 0
for shot in "${shots[@]}"; do expect_window_shot "$shot"; done
expect_line "Ostrel IC:DIP"
expect_line "The settings file equals the simulated keyer's settings after the Write (288 bytes)."
expect_display_gone
[ ! -e "$case_out/failure.png" ] || fail "failure.png after a walk-through that passed"
settings=$case_out/keyer-settings.eep
[ "$(stat -c %s "$settings" 2>/dev/null)" = 288 ] || fail "the settings file is not 288 bytes"
cmp -s "$settings" "$case_out/keyer-after-write.eep" ||
  fail "the settings file differs from the keyer's image after the Write"
# The keyer's starting settings with User 1's CurWpm (byte 1) changed to 20, nothing else.
cp "$root/scripts/demo-keyer.eep" "$out/expected.eep"
printf '\x14' | dd of="$out/expected.eep" bs=1 seek=1 conv=notrunc status=none
cmp -s "$settings" "$out/expected.eep" || fail "the settings file is not the keyer's with CurWpm 20"

# A keyer that never answers, in a folder that still holds the walk-through's files: the first
# step fails by name, leaves a screenshot, and nothing of the earlier run stays to mislead.
case_name="silent keyer, a display that cannot be opened"
case_out=$out/silent
cp -r "$out/walk" "$case_out"
run_case :4987 1 -- --silent
expect_line "run: no display (the display :4987 cannot be opened)"
expect_line 'run: the step "Test Ostrel" failed: the status line reads ">Ostrel ERR"'
[ -s "$case_out/failure.png" ] || fail "no failure.png"
for stale in "${shots[@]}" keyer-settings.eep keyer-after-write.eep; do
  [ ! -e "$case_out/$stale" ] || fail "$stale of the earlier run is still there"
done
expect_display_gone

# A keyer holding all zeros (the user's own --image in place of the demo settings): the Write
# step ends with the "Error" box's text, not with a wait for a status that never comes.
case_name="settings that fail the checks"
case_out=$out/zeros
mkdir -p "$case_out"
head -c 288 /dev/zero >"$out/zeros.eep"
run_case - 1 -- --image "$out/zeros.eep"
expect_line 'failed: the utility showed an "Error" box: "Weight must be between 10 and 90"'
expect_line "Step 3 of 4: CurWpm 0 -> 20, Write Ostrel"
expect_window_shot 2-read.png
[ -s "$case_out/failure.png" ] || fail "no failure.png"
[ ! -e "$case_out/3-write.png" ] || fail "a screenshot of a Write that failed"
expect_display_gone

case_name="real keyer, DISPLAY unset"
case_out=$out/port
mkdir -p "$case_out"
run_case - 2 --port /dev/null
expect_line "it never writes to a real keyer unwatched"
! grep -q '^Virtual display' "$case_out.log" || fail "it started a virtual display all the same"

if [ "$failures" -ne 0 ]; then
  echo "FAIL headless_run: $failures failed checks (outputs in $out)"
  exit 1
fi
echo "PASS headless_run (screenshots in $out/walk)"
