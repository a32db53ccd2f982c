# "Write Config File" and "Read Config File" through the real file dialogs.
source "$(dirname "$0")/lib.sh"

KEYER_IMAGE="$GUI_OUT/keyer.eep"
gui_zero_image "$KEYER_IMAGE"
gui_patch "$KEYER_IMAGE" 0 00 0f 4e 32 00 00 05 1e 00 00 00 32 32 07 00 0f
gui_patch "$KEYER_IMAGE" 16 30 19 40 28 0a 0b 08 14 20 05 0c 1e 2a 09 03 12
gui_patch "$KEYER_IMAGE" 32 15 0f 00 00 00 00 00 00 00 00 11 00 00 00 00
gui_patch "$KEYER_IMAGE" 47 15 9b 0d 3e 06 91

gui_start_sim com1 --image "$KEYER_IMAGE"
gui_map 1=com1
rm -rf "$GUI_APP_DIR"
gui_write_cfg 1
gui_start_app

gui click 4013
gui_wait_text 4059 ">Done"
gui_check_panel 4001=CQ 4083=K1AB 4039=50

# Saved as read: the file is the keyer's image, and the label holds the bare name.
gui click 4093
gui file-dialog "$GUI_APP_WIN_DIR\\saved.eep" 30000
gui_wait_text 4057 "saved.eep" 20000
gui_wait_file "$GUI_APP_DIR/saved.eep"
gui_expect_bytes "saved file" "$GUI_APP_DIR/saved.eep" "$KEYER_IMAGE"

# A name without extension gets .eep.
gui click 4093
gui file-dialog "$GUI_APP_WIN_DIR\\second" 30000
gui_wait_text 4057 "second.eep" 20000
gui_wait_file "$GUI_APP_DIR/second.eep"

# Edits, then loading the file brings the saved state back.
gui set-text 4039 70
gui set-text 4001 XYZ
gui click 4092
gui file-dialog "$GUI_APP_WIN_DIR\\saved.eep" 30000
gui_wait_text 4057 "File Name: saved.eep" 20000
gui_wait_text 4039 50 10000
gui_check_panel 4001=CQ 4083=K1AB
gui_screenshot loaded

# User 2 of the loaded file.
gui click 4069
gui_wait_text 4039 40 10000
gui_check_panel 4029=18 4033=25 4031=42 4035=5 4045=12 4037=30 4041=10 4043=11 4047=3 \
  4025=28 4027=8 4073=976
gui_check "user 2 keyer mode" 5 selection 4049
gui_check "user 2 paddle hang" 0 selection 4054
gui_check "user 2 output config" 6 selection 4053
gui_check "user 2 Cut 9" 1 check 4018
gui_check "user 2 callsign box shown" 1 visible 4072

# A file that is not there: its name in the label, then "File Not Found".
gui click 4092
gui file-dialog "$GUI_APP_WIN_DIR\\missing.eep" 30000
gui_expect_box "File Not Found"
gui_check "label after the missing file" "File Name: missing.eep" text 4057
