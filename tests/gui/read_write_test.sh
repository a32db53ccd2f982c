# Read, edit, "Write Ostrel" byte for byte; a validation failure sends nothing; the message bank
# switch; the input filter.
source "$(dirname "$0")/lib.sh"

KEYER_IMAGE="$GUI_OUT/keyer-start.eep"
WRITTEN="$GUI_OUT/keyer-written.eep"
RX_LOG="$GUI_OUT/keyer-received.bin"
EXPECTED="$GUI_OUT/expected.eep"

# User 1: Iambic A with AutoSpace, 20 wpm, 801 Hz, weight 50, lead-in 3, tail 4, pot 10..35,
# FastCmd, key comp 2, paddle sample 50, ratio 50, 1.3 word hang with Port1 ST PTT, letter
# space 5, command 15 wpm. User 2: the defaults. Messages: Msg 1 "CQ", Msg 3 "E E", User 1
# callsign "K1AB".
gui_zero_image "$KEYER_IMAGE"
gui_patch "$KEYER_IMAGE" 0 12 14 4e 32 03 04 0a 19 40 02 00 32 32 17 05 0f
gui_patch "$KEYER_IMAGE" 16 00 0f 4e 32 00 00 05 1e 00 00 00 32 32 07 00 0f
gui_patch "$KEYER_IMAGE" 32 18 0f 00 11 00 00 00 00 00 00 00 00 00 14 00
gui_patch "$KEYER_IMAGE" 47 15 9b 02 1c 82 0d 3e 06 91

gui_start_sim com1 --image "$KEYER_IMAGE" --image-out "$WRITTEN" --rx-log "$RX_LOG"
gui_map 1=com1
rm -rf "$GUI_APP_DIR"
gui_write_cfg 1
gui_start_app

gui click 4013
gui_wait_text 4059 ">Done"
gui_check_panel 4039=50 4041=3 4043=4 4073=801 4035=2 4045=0 4037=50 4029=15 4033=20 4031=50 \
  4025=35 4027=10 4047=5 4001=CQ 4002= 4003="E E" 4071=K1AB
gui_check "keyer mode" 0 selection 4049
gui_check "paddle hang" 1 selection 4054
gui_check "output config" 3 selection 4053
gui_check "AutoSpace" 1 check 4015
gui_check "FastCmd" 1 check 4022
gui_check "Swap" 0 check 4014
gui_check "user 2 callsign hidden" 0 visible 4072
gui_wait_text 4058 "Msg Bytes Left: 231" 5000
gui_screenshot after-read-96dpi

# Edits: a number, a typed message, a check box and a list.
gui set-text 4039 60
gui_check "typed message" TEST type 4002 test
gui click 4014
gui wait-check 4014 1 10000
gui select 4054 2
gui click 4012
gui_wait_text 4059 "Done"
gui_wait_file "$WRITTEN"
cp "$KEYER_IMAGE" "$EXPECTED"
gui_patch "$EXPECTED" 0 1a
gui_patch "$EXPECTED" 3 3c
gui_patch "$EXPECTED" 13 27
gui_patch "$EXPECTED" 32 1c 0f 11 15 00 00 00 00 00 00 00 00 00 18 00
gui_patch "$EXPECTED" 47 15 9b 03 02 08 83 02 1c 82 0d 3e 06 91
gui_expect_bytes "image written" "$WRITTEN" "$EXPECTED"
# Beside the exe, a dated copy of what the Read brought and of what the Write sent.
backups=("$GUI_APP_DIR"/backups/*)
[ "${#backups[@]}" = 2 ] || gui_fail "backups beside the exe: ${backups[*]}"
gui_expect_bytes "backup of the read" "$(ls "$GUI_APP_DIR"/backups/*-read.eep)" "$KEYER_IMAGE"
gui_expect_bytes "backup of the write" "$(ls "$GUI_APP_DIR"/backups/*-write*.eep)" "$WRITTEN"

# A value out of range: its box, and nothing written.
sent_before=$(stat -c %s "$RX_LOG")
cp "$WRITTEN" "$GUI_OUT/written-first.eep"
gui set-text 4039 5
gui click 4012
gui_expect_box "Weight must be between 10 and 90"
gui wait-enabled 4012 1 10000
tail -c +"$((sent_before + 1))" "$RX_LOG" >"$GUI_OUT/after-refusal.bin"
if od -An -v -tx1 "$GUI_OUT/after-refusal.bin" | tr -d '\n' | grep -q ' 00 0d'; then
  gui_fail "the refused write still sent the write command"
fi
gui_expect_bytes "image after the refused write" "$WRITTEN" "$GUI_OUT/written-first.eep"

# Message bank 2: the other six boxes and labels; bank 1's texts stay; the bank bit is written.
gui click 4008
gui wait-check 4008 1 10000
gui_check "bank 1 radio" 0 check 4007
for id in 4080 4085 4086 4091; do gui_check "control $id shown" 1 visible $id; done
for id in 4001 4006 4062 4067; do gui_check "control $id hidden" 0 visible $id; done
gui_check_panel 4086="Msg 7" 4091="Msg 12" 4001=CQ
gui set-text 4039 60
gui click 4012
gui_wait_text 4059 "Done"
gui_wait_text 4059 "" 10000
gui_patch "$EXPECTED" 14 45
gui_expect_bytes "image with message bank 2" "$WRITTEN" "$EXPECTED"
gui_screenshot message-bank-2

# The input filter: refused characters, and the 241st byte in any box.
gui_check "refused characters" "" type 4083 "#"
gui_check "refused among accepted" "ABC" type 4083 'a#b%c'
gui set-text 4080 "$(printf 'E%.0s' $(seq 223))"
gui_wait_text 4058 "Msg Bytes Left: 1" 5000
gui_check "the 240th byte" "T" type 4081 t
gui_wait_text 4058 "Msg Bytes Left: 0" 5000
gui_check "241st byte, same box" "T" type 4081 e
gui_check "241st byte, callsign" "K1AB" type 4071 x
gui_check "241st byte, hidden bank" "CQ" type 4001 x
gui_check "backspace still works" "" type 4081 '\b'
gui_wait_text 4058 "Msg Bytes Left: 1" 5000
