# The main window and the two small dialogs at 144 DPI (150 %): screenshots to look at.
source "$(dirname "$0")/lib.sh"

KEYER_IMAGE="$GUI_OUT/keyer.eep"
gui_zero_image "$KEYER_IMAGE"
gui_patch "$KEYER_IMAGE" 0 12 14 4e 32 03 04 0a 19 40 02 00 32 32 17 05 0f
gui_patch "$KEYER_IMAGE" 32 1e 0f 00 11 00 00 00 00 00 00 00 00 00 1a 00
gui_patch "$KEYER_IMAGE" 47 15 9b 03 02 08 03 1c 1b 1d 1c 8e 0d 3e 06 91

gui_set_dpi 144
gui_start_sim com1 --image "$KEYER_IMAGE"
gui_map 1=com1
rm -rf "$GUI_APP_DIR"
gui_write_cfg 1
gui_start_app

gui click 4011
gui_wait_text 4059 ">Ostrel OK"
gui click 4013
gui_wait_text 4059 ">Done"
gui_check_panel 4001=CQ 4003="TEST QY W" 4071=K1AB 4073=801
gui_screenshot after-read-144dpi

gui click 4009
gui wait-window "Comm Port Setup" 20000
gui_screenshot comm-port-setup-144dpi
gui -w "Comm Port Setup" click 403
gui wait-gone "Comm Port Setup" 10000

gui click 4094
gui wait-window "Ostrel3tools Help" 20000
gui_screenshot help-144dpi
gui -w "Ostrel3tools Help" click 1
gui wait-gone "Ostrel3tools Help" 10000
