# shellcheck shell=bash
# Operating the real Ostrel3tools.exe under Wine from outside: simulated keyers on
# pseudo-terminals, the COM port mapping, the utility itself, and gui-driver.exe to click, type
# and read. Shared by the GUI tests (tests/gui/lib.sh) and by ./run's walk-through without a
# display. Sourced, after scripts/common.sh, by a script that has set:
#   GUI_EXE GUI_DRIVER GUI_SIM   the utility, the driver and ostrel-keyer-sim
#   GUI_SOURCE                   the source tree (the README goes beside the exe)
#   GUI_TMP                      a private scratch folder (keyer links, logs)
#   GUI_APP_DIR                  the folder in the prefix the exe runs from
# and defined gui_fail MESSAGE..., which reports a failure and ends the script.

GUI_MAIN_TITLE="Ostrel 3 Tools Utility $OSTREL_VERSION"
GUI_SIM_PIDS=()
GUI_APP_PID=""
# How long to wait for one line of the driver's answer, in seconds: every driver command has its
# own shorter limit, so this only catches a driver that died or hangs.
GUI_REPLY_WAIT=${GUI_REPLY_WAIT:-200}

# gui_start_sim NAME [options...]: a simulated keyer whose pty is linked at $GUI_TMP/NAME.
gui_start_sim() {
  local name=$1
  shift
  "$GUI_SIM" --link "$GUI_TMP/$name" "$@" >"$GUI_TMP/$name.out" 2>"$GUI_TMP/$name.err" &
  GUI_SIM_PIDS+=($!)
  local _
  for _ in $(seq 100); do
    [ -e "$GUI_TMP/$name" ] && return 0
    kill -0 "${GUI_SIM_PIDS[-1]}" 2>/dev/null || break
    sleep 0.05
  done
  gui_fail "the simulated keyer $name did not start: $(cat "$GUI_TMP/$name.err")"
}

# Stops the simulated keyers (each removes its link).
gui_stop_sims() {
  local pid
  for pid in "${GUI_SIM_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${GUI_SIM_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
  GUI_SIM_PIDS=()
}

# gui_map N=NAME...: COMn of the prefix onto the pty of the keyer NAME (every other port absent).
gui_map() {
  local args=() m
  for m in "$@"; do args+=("${m%%=*}=$GUI_TMP/${m#*=}"); done
  map_com_ports "${args[@]}"
}

# gui_write_cfg PORT: the 4-byte configuration file beside the exe, before it starts.
gui_write_cfg() {
  mkdir -p "$GUI_APP_DIR"
  gui_le32 "$1" >"$GUI_APP_DIR/Ostrel3tools.cfg"
}

gui_le32() {
  local n=$1
  printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $(((n >> 8) & 255)))"
  printf "\\x$(printf %02x $(((n >> 16) & 255)))\\x$(printf %02x $(((n >> 24) & 255)))"
}

# Copies the exe beside its configuration file in the prefix and starts it; waits for the window.
gui_start_app() {
  mkdir -p "$GUI_APP_DIR"
  cp "$GUI_EXE" "$GUI_APP_DIR/Ostrel3tools.exe"
  cp "$GUI_SOURCE/README.md" "$GUI_APP_DIR/README.txt"
  (cd "$GUI_APP_DIR" && exec wine Ostrel3tools.exe >"$GUI_TMP/app.out" 2>&1) &
  GUI_APP_PID=$!
  gui wait-window "$GUI_MAIN_TITLE" 60000
}

# One gui-driver for the whole test ("serve" mode), since every Wine process start costs about a
# second. Restarting the prefix ends it; the next command starts another.
gui_driver_running() {
  [ -n "${GUI_DRIVER_PROC_PID:-}" ] && kill -0 "$GUI_DRIVER_PROC_PID" 2>/dev/null
}

gui_driver_start() {
  coproc GUI_DRIVER_PROC { exec wine "$GUI_DRIVER" serve 2>>"$GUI_TMP/driver.err"; }
}

# gui ARGS...: one gui-driver command; what it printed lands in $GUI_REPLY (no subshell, so that
# a failure ends the test itself).
gui() {
  gui_driver_running || gui_driver_start
  local IFS=$'\t'
  printf '%s\n' "$*" >&"${GUI_DRIVER_PROC[1]}"
  IFS=$' \t\n'
  local lines=() line status=""
  while IFS= read -r -t "$GUI_REPLY_WAIT" line <&"${GUI_DRIVER_PROC[0]}"; do
    if [[ $line == "<<gui-driver done>> "* ]]; then
      status=${line#"<<gui-driver done>> "}
      break
    fi
    lines+=("$line")
  done
  GUI_REPLY=$(printf '%s\n' "${lines[@]}")
  [ "$status" = 0 ] || gui_fail "gui-driver $*: $(tail -n 3 "$GUI_TMP/driver.err")"
}

# gui_expect WHAT ACTUAL EXPECTED
gui_expect() {
  [ "$2" = "$3" ] || gui_fail "$1: got \"$2\", expected \"$3\""
}

# gui_check WHAT EXPECTED DRIVER-ARGS...: runs the command and compares what it printed.
gui_check() {
  local what=$1 expected=$2
  shift 2
  gui "$@"
  gui_expect "$what" "$GUI_REPLY" "$expected"
}

# gui_wait_text ID TEXT [MS]: until control ID of the main window reads TEXT.
gui_wait_text() {
  gui wait-text "$1" "$2" "${3:-30000}"
}

# gui_wait_file FILE [MS]: until FILE exists.
gui_wait_file() {
  local tries=$((${2:-10000} / 50))
  while [ ! -e "$1" ] && [ "$tries" -gt 0 ]; do
    sleep 0.05
    tries=$((tries - 1))
  done
  [ -e "$1" ] || gui_fail "$1 did not appear"
}

# gui_expect_bytes WHAT ACTUAL_FILE EXPECTED_FILE: byte for byte, the differences shown.
gui_expect_bytes() {
  cmp -s "$2" "$3" && return 0
  echo "differences (offset, got, expected, octal):"
  cmp -l "$2" "$3" | head -20
  gui_fail "$1: $2 differs from $3 ($(stat -c %s "$2") bytes)"
}

# gui_check_panel ID=TEXT...: the texts of several controls of the main window.
gui_check_panel() {
  local pair
  for pair in "$@"; do gui_check "control ${pair%%=*}" "${pair#*=}" text "${pair%%=*}"; done
}
