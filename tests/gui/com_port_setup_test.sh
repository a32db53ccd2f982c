# Comm Port Setup with COM1, COM3 and COM12 present, and the help dialog.
source "$(dirname "$0")/lib.sh"

SETUP="Comm Port Setup"
HELP="Ostrel3tools Help"
CFG="$GUI_APP_DIR/Ostrel3tools.cfg"

# Help names the system the prefix reports: Windows 10, whatever an unlisted program is told.
wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f >/dev/null 2>&1
gui_start_sim com1
gui_start_sim com3
gui_start_sim com12
gui_map 1=com1 3=com3 12=com12
rm -rf "$GUI_APP_DIR"
gui_write_cfg 3
gui_start_app
gui_check "port label at start" "com:3" text 4074

# The list shows exactly the ports present, the current one selected.
gui click 4009
gui wait-window "$SETUP" 20000
gui_check "port list" $'com1\ncom3\ncom12' -w "$SETUP" items 4026
gui_check "preselection" 1 -w "$SETUP" selection 4026
gui_screenshot comm-port-setup

# Exit after another choice changes nothing.
gui -w "$SETUP" select 4026 2
gui -w "$SETUP" click 403
gui wait-gone "$SETUP" 10000
gui_expect "file after Exit" "$(gui_hex "$CFG")" "03 00 00 00"
gui_check "port label after Exit" "com:3" text 4074

# The close box and Escape are Exit too.
gui click 4009
gui wait-window "$SETUP" 20000
gui -w "$SETUP" select 4026 0
gui -w "$SETUP" close
gui wait-gone "$SETUP" 10000
gui click 4009
gui wait-window "$SETUP" 20000
gui -w "$SETUP" select 4026 0
gui -w "$SETUP" escape
gui wait-gone "$SETUP" 10000
gui_expect "file after close and Escape" "$(gui_hex "$CFG")" "03 00 00 00"

# OK with nothing selected keeps the port and says so; the dialog stays.
gui click 4009
gui wait-window "$SETUP" 20000
gui -w "$SETUP" select 4026 -1
gui -w "$SETUP" click 1
gui wait-window "Choose a port first" 10000
gui_screenshot choose-a-port-first
gui_expect "file after OK without a choice" "$(gui_hex "$CFG")" "03 00 00 00"

# Choosing com12 and OK writes 12 and the main window shows it.
gui -w "Choose a port first" select 4026 2
gui wait-window "$SETUP" 10000
gui -w "$SETUP" click 1
gui wait-gone "$SETUP" 10000
gui_wait_text 4074 "com:12" 10000
gui_expect "file after OK" "$(gui_hex "$CFG")" "0c 00 00 00"

# The keyer on the new port answers.
gui click 4011
gui_wait_text 4059 ">Ostrel OK"

# Help: version, system, guide beside the exe; OK, Escape and the close box close it.
for how in ok escape close; do
  gui click 4094
  gui wait-window "$HELP" 20000
  if [ "$how" = ok ]; then
    gui -w "$HELP" text 4030
    [[ $GUI_REPLY =~ ^Ver\ ${OSTREL_VERSION//./\\.},\ Built\ [0-9]{2}:[0-9]{2}:[0-9]{2},\ [A-Z][a-z]{2}\ [\ 0-9][0-9]\ [0-9]{4}$ ]] ||
      gui_fail "version line: $GUI_REPLY"
    gui_check "system line" "Operating System is Windows 10" -w "$HELP" text 4042
    gui_check "help file line" "Help File: $GUI_APP_WIN_DIR\\README.txt" -w "$HELP" text 4044
    gui_screenshot help
    gui -w "$HELP" click 1
  else
    gui -w "$HELP" "$how"
  fi
  gui wait-gone "$HELP" 10000
done
gui_check "main window still there" "com:12" text 4074
