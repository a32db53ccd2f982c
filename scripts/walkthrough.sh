# shellcheck shell=bash
# ./run where there is no display: the utility walks through its main job by itself on a virtual
# display, operated by gui-driver.exe as the GUI tests operate it, and leaves a screenshot of
# its main window after each step. Sourced by ./run after scripts/gui_toolkit.sh, with the
# simulated keyer started and mapped to COM1, and with:
#   WALK_OUT         the output folder (absolute)
#   WALK_SIM_IMAGE   the file the keyer rewrites after every settings write (its --image-out)

WALK_STEP="start the utility"
WALK_WIN_DIR="C:\\Ostrel3tools-walkthrough"
WALK_SETTINGS_NAME="keyer-settings.eep"
WALK_SHOTS=(1-test.png 2-read.png 3-write.png 4-write-config-file.png)
# The user bank's current speed, byte 1 of User 1 in the settings image.
WALK_SPEED_ID=4033
WALK_SPEED_OFFSET=1

# Every file a walk-through leaves, so that one from an earlier run is never taken for this one's.
walk_outputs() {
  printf '%s\n' "${WALK_SHOTS[@]}" failure.png "$WALK_SETTINGS_NAME" keyer-after-write.eep
}

# walk_shot FILE: the main window alone, as it is now.
walk_shot() {
  local id
  id=$(xwininfo -name "$GUI_MAIN_TITLE" 2>/dev/null |
    sed -n 's/^xwininfo: Window id: \(0x[0-9a-fA-F]*\).*/\1/p')
  [ -n "$id" ] && import -window "$id" "$WALK_OUT/$1" 2>/dev/null
}

# A failed step ends the walk-through with its name, the reason, and a screenshot of the whole
# screen: an "Error" box in front of the window may be the reason. A screenshot taken earlier
# in the failure, while the box was still up, is kept.
gui_fail() {
  echo "run: the step \"$WALK_STEP\" failed: $*" >&2
  [ -e "$WALK_OUT/failure.png" ] || import -window root "$WALK_OUT/failure.png" 2>/dev/null
  [ -e "$WALK_OUT/failure.png" ] && echo "run: the screen at the failure: $WALK_OUT/failure.png" >&2
  exit 1
}

# The text of a control of the main window.
walk_text() {
  gui text "$1"
  WALK_TEXT=$GUI_REPLY
}

# walk_wait_status TEXT SECONDS: until the status line reads TEXT. A failed interface test or an
# "Error" box ends the step at once, with what the window says.
walk_wait_status() {
  local wanted=$1 deadline=$((SECONDS + $2))
  for (( ; ; )); do
    walk_text 4059
    [ "$WALK_TEXT" = "$wanted" ] && return 0
    if [ "$WALK_TEXT" = ">Ostrel ERR" ]; then
      walk_text 4061
      gui_fail "the status line reads \">Ostrel ERR\", the status field \"$WALK_TEXT\""
    fi
    if xwininfo -name Error >/dev/null 2>&1; then
      import -window root "$WALK_OUT/failure.png" 2>/dev/null
      gui box Error 5000
      gui_fail "the utility showed an \"Error\" box: \"$GUI_REPLY\""
    fi
    [ "$SECONDS" -lt "$deadline" ] ||
      gui_fail "after $2 s the status line reads \"$WALK_TEXT\", not \"$wanted\""
    sleep 0.1
  done
}

# walk_report SHOT: prints what the window shows and saves its screenshot. The status row first,
# since the status line clears itself about 3 s after an operation.
walk_report() {
  local id label shown=()
  for id in 4059 4061 4079; do
    walk_text "$id"
    shown+=("$WALK_TEXT")
  done
  walk_shot "$1" || gui_fail "no screenshot of the main window"
  printf '  %-14s "%s"\n' "status line" "${shown[0]}" "status field" "${shown[1]}" \
    "IC label" "${shown[2]}"
  local fields=("4060=pot field" "4070=supply field" "4033=CurWpm" "4039=Weight"
    "4073=SidetoneFreq" "4001=Msg 1" "4071=User Callsign" "4057=File Name")
  for id in "${fields[@]}"; do
    label=${id#*=}
    walk_text "${id%%=*}"
    printf '  %-14s "%s"\n' "$label" "$WALK_TEXT"
  done
  printf '  %-14s %s\n' screenshot "$WALK_OUT/$1"
}

# walk_step N NAME: the step that a failure from here on names.
walk_step() {
  WALK_STEP=$2
  echo "Step $1 of 4: $2"
}

# The byte of a file at an offset, as a decimal number.
walk_byte() { od -An -tu1 -j "$2" -N1 "$1" | tr -d ' '; }

run_walkthrough() {
  local out_file
  while IFS= read -r out_file; do rm -f "$WALK_OUT/$out_file"; done < <(walk_outputs)
  rm -rf "$GUI_APP_DIR"
  gui_write_cfg 1
  gui_start_app

  walk_step 1 "Test Ostrel"
  gui click 4011
  walk_wait_status ">Ostrel OK" 30
  walk_report "${WALK_SHOTS[0]}"

  walk_step 2 "Read Ostrel"
  gui click 4013
  walk_wait_status ">Done" 30
  walk_report "${WALK_SHOTS[1]}"

  walk_text "$WALK_SPEED_ID"
  local speed=20
  [ "$WALK_TEXT" = 20 ] && speed=25
  walk_step 3 "CurWpm $WALK_TEXT -> $speed, Write Ostrel"
  rm -f "$WALK_SIM_IMAGE"
  gui set-text "$WALK_SPEED_ID" "$speed"
  gui click 4012
  walk_wait_status "Done" 30
  walk_report "${WALK_SHOTS[2]}"
  gui_wait_file "$WALK_SIM_IMAGE"
  local stored
  stored=$(walk_byte "$WALK_SIM_IMAGE" "$WALK_SPEED_OFFSET")
  [ "$stored" = "$speed" ] || gui_fail "the keyer stored CurWpm $stored, not $speed"
  cp "$WALK_SIM_IMAGE" "$WALK_OUT/keyer-after-write.eep"

  walk_step 4 "Write Config File"
  gui click 4093
  gui file-dialog "$WALK_WIN_DIR\\$WALK_SETTINGS_NAME" 30000
  gui_wait_text 4057 "$WALK_SETTINGS_NAME" 20000
  gui_wait_file "$GUI_APP_DIR/$WALK_SETTINGS_NAME"
  walk_report "${WALK_SHOTS[3]}"
  cp "$GUI_APP_DIR/$WALK_SETTINGS_NAME" "$WALK_OUT/$WALK_SETTINGS_NAME"
  cmp -s "$WALK_OUT/$WALK_SETTINGS_NAME" "$WALK_OUT/keyer-after-write.eep" ||
    gui_fail "the settings file differs from the simulated keyer's settings after the Write"
  echo "  The settings file equals the simulated keyer's settings after the Write" \
    "($(stat -c %s "$WALK_OUT/$WALK_SETTINGS_NAME") bytes)."

  WALK_STEP="close the utility"
  gui click 4
  gui wait-gone "$GUI_MAIN_TITLE" 10000
  local _
  for _ in $(seq 100); do
    kill -0 "$GUI_APP_PID" 2>/dev/null || break
    sleep 0.1
  done
}
