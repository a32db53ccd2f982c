# The GUI tests' frame around scripts/gui_toolkit.sh (keyers, COM ports, the utility, the
# driver): arguments, screenshots, failures and teardown. Sourced by each *_test.sh, run as:
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

# shellcheck source=../../scripts/common.sh
source "$GUI_SOURCE/scripts/common.sh"

GUI_TMP=$(mktemp -d "/tmp/ostrel-gui-$GUI_NAME.XXXXXX")
GUI_APP_DIR="$WINEPREFIX/drive_c/ostrel-gui-$GUI_NAME"
GUI_APP_WIN_DIR="C:\\ostrel-gui-$GUI_NAME"
GUI_SHOT=0
# shellcheck source=../../scripts/gui_toolkit.sh
source "$GUI_SOURCE/scripts/gui_toolkit.sh"

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
  gui_stop_sims
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

# gui_expect_box TEXT [MS]: an "Error" box with exactly TEXT comes up; it is answered with OK.
gui_expect_box() {
  gui box Error "${2:-30000}"
  gui_expect "Error box" "$GUI_REPLY" "$1"
  gui wait-gone Error 10000
}

# Bytes of a file as hex pairs separated by blanks, on one line.
gui_hex() { od -An -v -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }

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
