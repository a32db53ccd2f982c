# "FW Update": load a programming file in the uploader dialog, program it into a simulated keyer
# and compare its flash with the file; then a keyer that refuses a frame.
source "$(dirname "$0")/lib.sh"

UPLOADER="Ostrel 3 Firmware Uploader"
SETUP="Comm Port Setup"
FLASH="$GUI_TMP/flash.bin"
IMAGE="$GUI_TMP/image.bin"

# The expected flash: erased program words (FF 3F), the version 31.05 in word 3 and this test's
# own text from byte address 0x123 on; the programming file carries all of it, 1024 records.
for _ in $(seq 8192); do printf '\xff\x3f'; done >"$IMAGE"
gui_patch "$IMAGE" 6 1f 05
dd if="$0" of="$IMAGE" bs=1 seek=$((0x123)) count=512 conv=notrunc status=none
mkdir -p "$GUI_APP_DIR"
objcopy -I binary -O ihex "$IMAGE" "$GUI_APP_DIR/fw.bin" || gui_fail "objcopy failed"

gui_start_sim good --fw 31.04 --ic 1 --flash-out "$FLASH"
gui_start_sim refusing --fw 31.04 --ic 1 --refuse-frame 100 --refuse-code 0
gui_map 1=good 2=refusing
rm -f "$GUI_APP_DIR/Ostrel3tools.cfg"
gui_write_cfg 1
gui_start_app

gui click 4010
gui wait-window "$UPLOADER" 10000
gui_check "status line at opening" "" -w "$UPLOADER" text 4036
gui_check "Program at opening" 0 -w "$UPLOADER" enabled 4028
gui_check "Load at opening" 1 -w "$UPLOADER" enabled 2

gui -w "$UPLOADER" click 2
gui file-dialog "$GUI_APP_WIN_DIR\\fw.bin" 10000
gui -w "$UPLOADER" wait-text 4036 "Ostrel Version: 31.05 Loaded, 1024 Records" 60000
gui_check "path line" "$GUI_APP_WIN_DIR\\fw.bin" -w "$UPLOADER" text 4038
gui_check "Program after loading" 1 -w "$UPLOADER" enabled 4028
# The image covers all of program memory, so the parts that the upload never sends are listed.
never_sent="not programmed: the upload never sends this part of program memory"
gui_check "what will not be programmed" \
  "0x3BC0-0x3E7F $never_sent"$'\r\n'"0x3EC0-0x3F3F $never_sent"$'\r\n'"0x3F80-0x3FFF $never_sent" \
  -w "$UPLOADER" text 4034
gui_screenshot loaded

gui -w "$UPLOADER" click 4028
gui -w "$UPLOADER" wait-text 4036 "Upload Completed Successfully" 60000
gui_screenshot uploaded
# The bar stops at 99: the last four frames come after the main run it measures.
gui_check "progress bar after the upload" 99 -w "$UPLOADER" progress 4032
gui_check "Load after the upload" 1 -w "$UPLOADER" enabled 2
gui_check "Program after the upload" 0 -w "$UPLOADER" enabled 4028
gui_wait_file "$FLASH"
gui_expect_bytes "keyer's flash" "$FLASH" "$IMAGE"

gui -w "$UPLOADER" click 4040
gui wait-gone "$UPLOADER" 5000
# Closing the uploader runs Test: the keyer runs its firmware again.
gui_wait_text 4061 "Ostrel F/W revision 31.04" 15000

# The refusing keyer on COM2; Escape is the Load button.
gui click 4009
gui wait-window "$SETUP" 10000
gui -w "$SETUP" select 4026 1
gui -w "$SETUP" click 1
gui wait-gone "$SETUP" 5000
gui_wait_text 4074 "com:2" 5000
gui click 4010
gui wait-window "$UPLOADER" 10000
gui -w "$UPLOADER" escape
gui file-dialog "$GUI_APP_WIN_DIR\\fw.bin" 10000
gui -w "$UPLOADER" wait-text 4036 "Ostrel Version: 31.05 Loaded, 1024 Records" 60000
gui -w "$UPLOADER" click 4028
gui -w "$UPLOADER" wait-text 4036 "Error: OstrelUSB Refused a Block (reply 0) !" 60000
gui_screenshot refused
gui_check "Program after the refusal" 0 -w "$UPLOADER" enabled 4028
gui -w "$UPLOADER" close
gui wait-gone "$UPLOADER" 5000
