# First start without a configuration file, then "Test Ostrel" against a keyer on COM1.
source "$(dirname "$0")/lib.sh"

gui_start_sim com1 --fw 31.04 --ic 2 --pot 128 --supply 52 --aux 7
gui_map 1=com1
rm -rf "$GUI_APP_DIR"
gui_start_app

gui_expect "configuration file" "$(gui_hex "$GUI_APP_DIR/Ostrel3tools.cfg")" "01 00 00 00"
gui_check "port label" "com:1" text 4074
gui_check "status line at start" "" text 4059
gui_check "IC label at start" "Ostrel IC:" text 4079
gui_wait_text 4058 "Msg Bytes Left: 240" 10000
gui_screenshot started

gui click 4011
gui_wait_text 4059 ">Ostrel OK"
gui_check "status field" "Ostrel F/W revision 31.04" text 4061
gui_check "IC label" "Ostrel IC:DIP" text 4079
gui_check "pot value" "PotValue: 128" text 4060
gui_check "supply voltage" "5.04 Volts" text 4070
gui_check "aux value" "7" text 4075
for id in 4011 4012 4013 4007 4008 4068 4069 4009 4010; do
  gui_check "control $id enabled again" 1 enabled "$id"
done
gui_screenshot after-test

# The status line clears itself about 3 s after the operation; the fields stay.
gui_wait_text 4059 "" 10000
gui_check "pot value kept" "PotValue: 128" text 4060

# Nothing read yet: the empty panel refuses to be written, and nothing reaches the keyer.
gui click 4012
gui_expect_box "Weight must be between 10 and 90"
gui wait-enabled 4012 1 10000
gui_check "status line after the refused write" "" text 4059
