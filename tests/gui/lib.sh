# The GUI tests' toolkit: simulated keyers on pseudo-terminals, COM port mapping, the utility
# under Wine, gui-driver.exe to operate it, screenshots, and teardown. Sourced by each
# *_test.sh, which is run as:
#   bash X_test.sh EXE DRIVER SIM OUTPUT_DIR SOURCE_DIR
# WINEPREFIX and DISPLAY come from the environment (./test prepares both).

set -uo pipefail

if [ $# -ne 5 ]; then
  echo "usage: bash $(basename "$0") EXE DRIVER SIM OUTPUT_DIR SOURCE_DIR"
  exit 1
fi
GUI_EXE=$1
GUI_DRIVER=$2
GUI_SIM=$3
GUI_OUT=$4
GUI_SOURCE=$5
GUI_NAME=$(basename "$0" _test.sh)
GUI_MAIN_TITLE="Ostrel 3 Tools Utility 4.3"

# shellcheck source=../../scripts/common.sh
source "$GUI_SOURCE/scripts/common.sh"

GUI_TMP=$(mktemp -d "/tmp/ostrel-gui-$GUI_NAME.XXXXXX")
GUI_APP_DIR="$WINEPREFIX/drive_c/ostrel-gui-$GUI_NAME"
GUI_APP_WIN_DIR="C:\\ostrel-gui-$GUI_NAME"
GUI_SIM_PIDS=()
GUI_APP_PID=""
GUI_SHOT=0

for tool in "$GUI_EXE" "$GUI_DRIVER" "$GUI_SIM"; do
  if [ ! -x "$tool" ] && [ ! -f "$tool" ]; then
    echo "FAIL $GUI_NAME: $tool is missing (build the native and the Windows targets first)"
    exit 1
  fi
done
if [ -z "${DISPLAY:-}" ]; then
  echo "FAIL $GUI_NAME: no DISPLAY (run through ./test, which starts Xvfb)"
  exit 1
fi
rm -rf "$GUI_OUT"
mkdir -p "$GUI_OUT"

gui_teardown() {
  local status=$?
  wineserver -k >/dev/null 2>&1
  if [ -n "${GUI_DPI_CHANGED:-}" ]; then
    gui_write_dpi 96
    wineserver -k >/dev/null 2>&1
    wineserver -w
  fi
  local pid
  for pid in "${GUI_SIM_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${GUI_SIM_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
  [ -n "$GUI_APP_PID" ] && wait "$GUI_APP_PID" 2>/dev/null
  rm -rf "$GUI_TMP"
  if [ "$status" -eq 0 ]; then
    echo "PASS $GUI_NAME (screenshots and files in $GUI_OUT)"
  fi
  exit "$status"
}
trap gui_teardown EXIT
trap 'exit 1' TERM INT

gui_screenshot() {
  GUI_SHOT=$((GUI_SHOT + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$GUI_OUT" "$GUI_SHOT" "$1")
  import -window root "$file" 2>/dev/null || echo "(no screenshot: import failed)"
}

# Stops the test with a message and a screenshot of what was on screen.
gui_fail() {
  echo "FAIL $GUI_NAME: $*"
  gui_screenshot failure
  exit 1
}

gui_write_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# gui_set_dpi N: the display's DPI for this test (96 again at the end). Wine reads it when the
# prefix starts: call it before gui_map, which restarts the prefix.
gui_set_dpi() {
  GUI_DPI_CHANGED=1
  gui_write_dpi "$1"
}

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

# Bytes of a file as hex pairs separated by blanks, on one line.
gui_hex() { od -An -v -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }

# Copies the exe beside its configuration file in the prefix and starts it; waits for the window.
gui_start_app() {
  mkdir -p "$GUI_APP_DIR"
  cp "$GUI_EXE" "$GUI_APP_DIR/Ostrel3tools.exe"
  cp "$GUI_SOURCE/README.md" "$GUI_APP_DIR/README.md"
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
  while IFS= read -r -t 200 line <&"${GUI_DRIVER_PROC[0]}"; do
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

# gui_expect_box TEXT [MS]: an "Error" box with exactly TEXT comes up; it is answered with OK.
gui_expect_box() {
  gui box Error "${2:-30000}"
  gui_expect "Error box" "$GUI_REPLY" "$1"
  gui wait-gone Error 10000
}

# gui_zero_image FILE: a settings image of 288 zero bytes.
gui_zero_image() { head -c 288 /dev/zero >"$1"; }

# gui_patch FILE OFFSET HEX...: writes the bytes (hex pairs) into FILE at OFFSET.
gui_patch() {
  local file=$1 offset=$2
  shift 2
  local bytes="" b
  for b in "$@"; do bytes+="\\x$b"; done
  printf "$bytes" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
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
