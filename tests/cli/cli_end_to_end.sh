#!/usr/bin/env bash
# The ostrel program from the outside: every command against the in-process simulated keyer
# (--sim) and against ostrel-keyer-sim on a pseudo-terminal, outputs and files compared byte for
# byte, and every failure exit.
# Usage: cli_end_to_end.sh OSTREL KEYER_SIM GOLDEN_DIR
set -u
OSTREL=$1
KEYER_SIM=$2
GOLDEN=$3

work=$(mktemp -d)
sim_pids=()
cleanup() {
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
# Read and write keep backup copies: in the scratch folder, never in the home of whoever runs this.
export XDG_DATA_HOME="$work/data"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run NAME STATUS COMMAND...: runs the command with its output in out/err, checks its status.
run() {
  local name=$1 want=$2
  shift 2
  "$@" >out 2>err
  local got=$?
  if [ "$got" -ne "$want" ]; then
    fail "$name: exit $got, wanted $want"
    sed 's/^/  stdout: /' out
    sed 's/^/  stderr: /' err
  fi
}
same_file() { cmp -s "$2" "$3" || fail "$1: $2 and $3 differ"; }
has_text() { grep -qF -- "$3" "$2" || fail "$1: \"$3\" not in $2: $(cat "$2")"; }
no_file() { [ ! -e "$2" ] || fail "$1: $2 exists"; }

# start_sim NAME ARGS...: a simulated keyer on a pty, reachable as ./NAME.
start_sim() {
  local name=$1
  shift
  "$KEYER_SIM" --link "$work/$name" "$@" >/dev/null 2>"$work/$name.log" &
  sim_pids+=($!)
  for _ in $(seq 100); do [ -e "$work/$name" ] && return 0; sleep 0.05; done
  fail "the simulated keyer $name did not start: $(cat "$work/$name.log")"
}

# hex_record ADDRESS TYPE BYTE...: one programming-file line with its checksum.
hex_record() {
  local address=$1 type=$2
  shift 2
  local sum=$(($# + (address >> 8) + (address & 0xFF) + type)) line byte
  line=$(printf ':%02X%04X%02X' $# "$address" "$type")
  for byte in "$@"; do
    line+=$(printf '%02X' "$byte")
    sum=$((sum + byte))
  done
  printf '%s%02X\n' "$line" $(((256 - sum % 256) % 256))
}

# A firmware for the DIP variant (version 31.48 in program word 3) and the same for SMT (31.05).
{
  hex_record 0 0 0 0 0 0 0 0 0x1F 0x30
  hex_record 16 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16
  hex_record 0 1
} >dip.hex
{
  hex_record 0 0 0 0 0 0 0 0 0x1F 0x05
  hex_record 0 1
} >smt.hex
{
  hex_record 0 0 0 0 0 0 0 0 0x1F 0x30
  echo ":10001000ZZ"
  hex_record 0 1
} >bad_line.hex

# The DIP firmware with a configuration word (beyond program memory) and bytes in block 956,
# which the upload never sends; a file of nothing but empty data records.
{
  hex_record 0 0 0 0 0 0 0 0 0x1F 0x30
  hex_record 0x3BC0 0 1 2 3 4
  hex_record 0x400E 0 0xC4 0x31
  hex_record 0 1
} >unsent.hex
{
  hex_record 0 0
  hex_record 16 0
  hex_record 0 1
} >empty_records.hex

cat >test_expected <<'TEXT'
Ostrel F/W revision 31.04
Ostrel IC:DIP
PotValue: 128
Aux: 0
Supply: 5.04 Volts
TEXT

start_sim keyer --image "$GOLDEN/sample.eep" --image-out "$work/stored.eep"
start_sim smt_keyer --ic 1 --fw 31.05
start_sim silent_keyer --silent
start_sim short_keyer --short 100
start_sim refusing_keyer --refuse-frame 5 --refuse-code 0x81
start_sim mini_keyer --ic 3 --supply 0

# --- Each command, on a pty and in-process -------------------------------------------------------
for link in "--port $work/keyer" "--sim"; do
  # shellcheck disable=SC2086
  set -- $link
  run "test $link" 0 "$OSTREL" "$@" test
  same_file "test $link" out test_expected

  rm -f read.eep
  run "read $link" 0 "$OSTREL" "$@" read -o read.eep
  [ "$(stat -c %s read.eep)" = 288 ] || fail "read $link: read.eep is not 288 bytes"

  run "write $link" 0 "$OSTREL" "$@" write "$GOLDEN/sample.eep" --verify
  has_text "write $link" out "Verified"

  run "upload $link" 0 "$OSTREL" "$@" upload dip.hex
  has_text "upload $link" out "Ostrel Version: 31.48 Loaded, 2 Records"
  has_text "upload $link" out "99%"
  has_text "upload $link" out "Upload Completed Successfully"
done

# On a terminal the upload's bar is drawn in place; on one that cannot go back over a line
# (TERM=dumb, as a screen reader's console may be) the lines at each tenth are printed instead.
for term in xterm dumb; do
  TERM=$term script -qec "'$OSTREL' --sim upload dip.hex" /dev/null >"tty_$term" 2>&1 ||
    fail "upload on a $term terminal: $(cat "tty_$term")"
done
has_text "upload on a terminal" tty_xterm "[####"
has_text "upload on a dumb terminal" tty_dumb "50%"
! grep -qF "[#" tty_dumb || fail "upload on a dumb terminal drew a bar: $(cat tty_dumb)"

# What the pty keyer held is what was read, and what was written is what it stored.
run "read pty image" 0 "$OSTREL" --port "$work/keyer" read -o pty.eep
same_file "read pty image" pty.eep "$GOLDEN/sample.eep"
cp "$GOLDEN/sample.eep" edited.eep
run "set before write" 0 "$OSTREL" set edited.eep weight=33 msg3="73"
run "write pty" 0 "$OSTREL" --port "$work/keyer" write edited.eep
same_file "write pty" stored.eep edited.eep

# --- backups: each read and write keeps a copy of the bytes it moved ------------------------------
# backup_case NAME FOLDER KIND MOVED ENVIRONMENT ARGS...: `ostrel --sim ARGS` in ENVIRONMENT leaves
# in FOLDER exactly one copy, named by the time and KIND, byte for byte the file MOVED.
backup_case() {
  local name=$1 folder=$2 kind=$3 moved=$4 environment=$5
  shift 5
  # shellcheck disable=SC2086
  run "backup $name" 0 env -u XDG_DATA_HOME $environment "$OSTREL" --sim "$@"
  local copies=("$folder"/*)
  [ "${#copies[@]}" = 1 ] && [[ "$(basename "${copies[0]}")" =~ ^[0-9]{8}-[0-9]{6}-$kind\.eep$ ]] ||
    fail "backup $name: $folder holds ${copies[*]}"
  same_file "backup $name" "${copies[0]}" "$moved"
}
backup_case read "$work/xdg-r/ostrel/backups" read backup.eep "XDG_DATA_HOME=$work/xdg-r" \
  read -o backup.eep
backup_case write "$work/xdg-w/ostrel/backups" write "$GOLDEN/sample.eep" \
  "XDG_DATA_HOME=$work/xdg-w" write "$GOLDEN/sample.eep"
backup_case "default folder" "$work/home/.local/share/ostrel/backups" read backup.eep \
  "HOME=$work/home" read -o backup.eep
backup_case "relative XDG_DATA_HOME" "$work/home2/.local/share/ostrel/backups" read backup.eep \
  "XDG_DATA_HOME=data HOME=$work/home2" read -o backup.eep
# A copy that cannot be saved changes nothing but one line of warning.
: >not_a_folder
run "backup unwritable" 0 env XDG_DATA_HOME="$work/not_a_folder" "$OSTREL" --sim read -o unbacked.eep
same_file "backup unwritable" unbacked.eep backup.eep
has_text "backup unwritable" out "Read 288 bytes into unbacked.eep"
has_text "backup unwritable" err "warning: no backup copy could be saved in $work/not_a_folder/ostrel/backups"
[ "$(wc -l <err)" = 1 ] || fail "backup unwritable: more than one line on stderr: $(cat err)"

# Ten reads at once into one folder keep ten copies: none is saved over another's.
readers=()
for i in $(seq 10); do
  env XDG_DATA_HOME="$work/xdg-10" "$OSTREL" --sim read -o "ten$i.eep" >/dev/null 2>&1 &
  readers+=($!)
done
wait "${readers[@]}"
copies=("$work"/xdg-10/ostrel/backups/*.eep)
[ "${#copies[@]}" = 10 ] || fail "ten reads at once: ${#copies[@]} copies: ${copies[*]}"

# A fresh checkout's first steps: read from the simulated keyer and show what came.
run "sim read" 0 "$OSTREL" --sim read -o a.eep
run "sim show" 0 "$OSTREL" --sim show a.eep

# --- show: golden output ------------------------------------------------------------------------
run "show" 0 "$OSTREL" show "$GOLDEN/sample.eep"
same_file "show" out "$GOLDEN/show.txt"
run "show --json" 0 "$OSTREL" show --json "$GOLDEN/sample.eep"
same_file "show --json" out "$GOLDEN/show.json"

# --- set: the file changes only when every change is valid ---------------------------------------
cp "$GOLDEN/sample.eep" set.eep
# User 2 of the sample shows SidetoneFreq 4166: divisor 15, which a typed 4000 stores. Editing
# something else keeps it, as the file was made; a value the panel refuses is named as the file's
# own when the user did not give it.
run "set shown 4166" 0 "$OSTREL" set set.eep --user 2 msg1=QRZ
run "set shown 4166 kept" 1 "$OSTREL" diff "$GOLDEN/sample.eep" set.eep
[ "$(grep -c -- ' -> ' out)" = 1 ] && has_text "set shown 4166 kept" out 'Msg 1: "CQ CQ DE N0CALL K" -> "QRZ"'
cp "$GOLDEN/sample.eep" set.eep
head -c 288 /dev/zero >zero.eep
run "set on a file the window would refuse" 2 "$OSTREL" set zero.eep msg1=CQ
has_text "set on a file the window would refuse" err "hint: zero.eep already holds weight=0 in User 1"
run "set valid" 0 "$OSTREL" set set.eep --user 2 "Keyer Mode=Iambic A" sidetonefreq=4000 msg1=QRZ
run "set valid shown" 0 "$OSTREL" show set.eep
has_text "set valid" out 'Msg 1: "QRZ"'
# Nothing but User 2's mode register (byte 16) and the messages may have changed.
cmp -l "$GOLDEN/sample.eep" set.eep | awk '$1 - 1 < 32 && $1 - 1 != 16 { bad = 1 } END { exit bad }' ||
  fail "set valid: bytes of the banks other than 16 changed"

cp "$GOLDEN/sample.eep" refused.eep
while IFS='|' read -r name change message; do
  run "set $name" 2 "$OSTREL" set refused.eep "$change"
  has_text "set $name" err "$message"
  same_file "set $name" refused.eep "$GOLDEN/sample.eep"
done <<'CASES'
weight too low|Weight=9|Weight must be between 10 and 90
farns user 1|farns=5|Farns must be 0 or between 10 and 90
ratio|ratio=67|Ratio must be between 33 and 66
pot order|maxwpm=10|Pot Max must be greater than Pot Min
huge lead in|leadin=3000000000|Lead In must be 250 or less.
not a number|weight=4O|Weight needs a whole number
negative|tail=-1|Tail needs a whole number
unknown field|loudness=3|there is no field "loudness"
not FIELD=VALUE|weight|is not FIELD=VALUE
list entry|keyermode=straight|Keyer Mode has no entry "straight"
check value|swap=maybe|Swap is on or off
CASES
run "set user 2 message" 2 "$OSTREL" set refused.eep --user 2 sidetonefreq=4000 farns=5
has_text "set user 2 message" err "Farnsworth WPM must be 0 or between 10 and 90"
run "set too long" 2 "$OSTREL" set refused.eep "msg4=$(printf 'E%.0s' $(seq 240))"
same_file "set too long" refused.eep "$GOLDEN/sample.eep"
run "set user 3" 2 "$OSTREL" set refused.eep --user 3 weight=50

# --- failure exits ------------------------------------------------------------------------------
run "silent test" 1 "$OSTREL" --port "$work/silent_keyer" test
has_text "silent test" err "Ostrel Fail:no response"
run "silent read" 1 "$OSTREL" --port "$work/silent_keyer" read -o silent.eep
no_file "silent read" silent.eep
run "short read" 1 "$OSTREL" --port "$work/short_keyer" read -o short.eep
no_file "short read" short.eep
has_text "short read" err "did not send its whole settings image"
run "no device" 1 "$OSTREL" --port "$work/nothing-here" test
has_text "no device" err "ostrel: cannot open $work/nothing-here: no such device"

# --- names that are not plain files: written into as a stream or refused, never replaced ----------
mkfifo fifo
ln -s fifo fifo_link
python3 -c 'import socket; socket.socket(socket.AF_UNIX).bind("socket")'
mkdir dir.eep
mknod device c 1 3 2>/dev/null && ln -s device device_link
# Each row: the name, the command's exit, what stderr says, what TARGET still is (test -X), TARGET
# and the command.
while IFS='|' read -r name status message kind target command; do
  [ -e "$target" ] || [ -L "$target" ] || continue
  # shellcheck disable=SC2086
  run "$name" "$status" timeout 10 "$OSTREL" $command
  [ -z "$message" ] || has_text "$name" err "$message"
  test "$kind" "$target" || fail "$name: $target is no longer $kind"
done <<'CASES'
read into a FIFO nobody reads|3|cannot create fifo: no program reads the FIFO|-p|fifo|--sim read -o fifo
read into a link to a FIFO|3|no program reads the FIFO|-L|fifo_link|--sim read -o fifo_link
read into a socket|3|cannot create socket: is a socket|-S|socket|--sim read -o socket
read into a device|0||-c|device|--sim read -o device
read into a link to a device|0||-L|device_link|--sim read -o device_link
show a FIFO|3|cannot open fifo: is a FIFO|-p|fifo|show fifo
show a link to a FIFO|3|cannot open fifo_link: is a FIFO|-L|fifo_link|show fifo_link
show a socket|3|cannot open socket: is a socket|-S|socket|show socket
show a device|3|cannot open device: is a character device|-c|device|show device
show a folder|3|cannot open dir.eep: is a directory|-d|dir.eep|show dir.eep
set a FIFO|3|cannot open fifo: is a FIFO|-p|fifo|set fifo weight=50
diff with a FIFO|3|cannot open fifo: is a FIFO|-p|fifo|diff a.eep fifo
write a FIFO|3|cannot open fifo: is a FIFO|-p|fifo|--sim write fifo
upload a FIFO|3|the file cannot be opened: is a FIFO|-p|fifo|--sim upload fifo
CASES
# A FIFO that a program reads gets the bytes, and stays a FIFO.
timeout 10 cat fifo >from_fifo.eep &
run "read into a FIFO being read" 0 timeout 10 "$OSTREL" --sim read -o fifo
wait $!
same_file "read into a FIFO being read" from_fifo.eep a.eep
# - is the standard output: the image and nothing else goes there.
run "read -o -" 0 "$OSTREL" --sim read -o -
same_file "read -o -" out a.eep
has_text "read -o -" err "Read 288 bytes into -"
if [ "$(id -u)" != 0 ]; then
  cp a.eep unread.eep && chmod 000 unread.eep
  run "unreadable" 3 "$OSTREL" show unread.eep
  has_text "unreadable" err "cannot open unread.eep: permission denied"
fi
run "name beginning with -" 2 "$OSTREL" show -lead.eep
has_text "name beginning with -" err "hint: -lead.eep is no option; a file of that name is \`ostrel show ./-lead.eep\`"
cp a.eep ./-lead.eep
run "an existing file beginning with -" 0 "$OSTREL" show -lead.eep
# A programming file of one line with no line feed fails on line 1, however long the line.
{ hex_record 0 0 1 2 3 4 | tr -d '\n'; printf 'A%.0s' $(seq 1200); } >one_line.hex
run "one long line" 3 "$OSTREL" --sim upload one_line.hex
has_text "one long line" err "line 1:"

# A keyer that answers one query after its wait: the late reply must not be taken for the next
# one's, so the command fails and saves nothing.
while IFS='|' read -r name late message command; do
  start_sim "late_$name" --pot 77 --aux 9 --late "$late"
  rm -f late.eep
  # shellcheck disable=SC2086
  run "late $name" 1 "$OSTREL" --port "$work/late_$name" $command
  has_text "late $name" err "$message"
  grep -q "PotValue" out && fail "late $name: a pot value was shown"
  no_file "late $name" late.eep
done <<'CASES'
ic_test|0x18:4300|Ostrel Fail:no response|test
pot_test|0x06:4300|Ostrel Fail:no response|test
ic_read|0x18:4300|Ostrel Fail:no response|read -o late.eep
image_read|0x0C:4300|did not send its whole settings image|read -o late.eep
CASES

run "MINI test" 0 "$OSTREL" --port "$work/mini_keyer" test
has_text "MINI test" out "Ostrel IC:MINI"
has_text "MINI test" out "Supply: no reading"
grep -q "^Aux" out && fail "MINI test: an aux value was shown"

run "SMT keyer, DIP image" 1 "$OSTREL" --port "$work/smt_keyer" upload dip.hex
has_text "SMT keyer, DIP image" err "Error: Attempting to program an SMT Ostrel with an DIP image !"
run "refused frame" 1 "$OSTREL" --port "$work/refusing_keyer" upload dip.hex
has_text "refused frame" err "Error: Checksum !"
run "bad line" 3 "$OSTREL" --sim upload bad_line.hex
has_text "bad line" err "line 2:"
run "missing firmware" 3 "$OSTREL" --sim upload missing.hex
has_text "missing firmware" err "cannot be opened"
hex_record 0 1 >end_only.hex
run "end record only" 3 "$OSTREL" --sim upload end_only.hex
run "empty records only" 3 "$OSTREL" --sim upload empty_records.hex
has_text "empty records only" err "no data records"
run "unsent data" 0 "$OSTREL" --sim upload unsent.hex
has_text "unsent data" err \
  "warning: 0x3BC0-0x3BC3 not programmed: the upload never sends this part of program memory"
has_text "unsent data" err \
  "warning: 0x400E-0x400F not programmed: outside program memory (0x0000-0x3FFF)"
has_text "unsent data" out "Upload Completed Successfully"

# --- upload: a closed output and stop signals ----------------------------------------------------
# Keyers that answer each frame 3 ms late, so that an upload lasts some seconds. The receive log
# holds the interface test (9 bytes) and the bootloader entry, sync probe and rate switch (7)
# before the frames.
LEAD_IN=16
for name in pipe_keyer once_keyer twice_keyer; do
  start_sim $name --delay 3 --delay-after $LEAD_IN --rx-log "$work/$name.rx"
done
# The byte after the last frame: the restart, before the interface test that shows the new revision.
restart_byte() { od -An -tx1 -j $((LEAD_IN + 964 * 20)) -N 1 "$1" | tr -d ' '; }

"$OSTREL" --port "$work/pipe_keyer" upload dip.hex 2>pipe.err | head -1 >pipe.out
upload_status=${PIPESTATUS[0]}
[ "$upload_status" -eq 0 ] || fail "upload | head -1: exit $upload_status: $(cat pipe.err)"
has_text "upload | head -1" pipe.out "Ostrel Version: 31.48 Loaded, 2 Records"
[ "$(restart_byte pipe_keyer.rx)" = 5a ] || fail "upload | head -1: the keyer was not restarted"

# upload_with_signals NAME COUNT: an upload that gets COUNT SIGINTs once its frames are going out;
# its exit status in $upload_status.
upload_with_signals() {
  local name=$1 count=$2 pid
  # A shell without job control starts background commands with SIGINT ignored.
  env --default-signal=INT "$OSTREL" --port "$work/$name" --trace "$name.trace" upload dip.hex \
    >"$name.out" 2>"$name.err" &
  pid=$!
  for _ in $(seq 200); do grep -q '^[0-9]*%$' "$name.out" && break; sleep 0.05; done
  for _ in $(seq "$count"); do kill -INT "$pid"; sleep 0.3; done
  wait "$pid"
  upload_status=$?
}

upload_with_signals once_keyer 1
[ "$upload_status" -eq 0 ] || fail "one SIGINT: exit $upload_status: $(cat once_keyer.err)"
has_text "one SIGINT" once_keyer.err "would leave the keyer without firmware"
has_text "one SIGINT" once_keyer.out "Upload Completed Successfully"
[ "$(restart_byte once_keyer.rx)" = 5a ] || fail "one SIGINT: the keyer was not restarted"

upload_with_signals twice_keyer 2
[ "$upload_status" -eq 1 ] || fail "two SIGINTs: exit $upload_status, wanted 1"
has_text "two SIGINTs" twice_keyer.err "ostrel: Error: Upload Stopped !"
has_text "two SIGINTs" twice_keyer.err "power it off and on, then upload again"
# Whole frames only, no restart, and the host's last rate is 1200 baud again.
rx_bytes=$(stat -c %s twice_keyer.rx)
[ $(((rx_bytes - LEAD_IN) % 20)) -eq 0 ] || fail "two SIGINTs: $rx_bytes bytes is not whole frames"
[ "$rx_bytes" -lt $((LEAD_IN + 964 * 20)) ] || fail "two SIGINTs: every frame was sent"
[ "$(awk '$3 == "baud" { rate = $4 } END { print rate }' twice_keyer.trace)" = 1200 ] ||
  fail "two SIGINTs: the port was not put back to 1200 baud: $(grep baud twice_keyer.trace)"

head -c 100 "$GOLDEN/sample.eep" >short_file.eep
{ cat "$GOLDEN/sample.eep"; printf 'x'; } >long_file.eep
run "write short file" 3 "$OSTREL" --sim write short_file.eep
has_text "write short file" err "it holds 100"
run "write long file" 3 "$OSTREL" --sim write long_file.eep
run "write missing file" 3 "$OSTREL" --sim write missing.eep
run "show short file" 3 "$OSTREL" show short_file.eep
run "set short file" 3 "$OSTREL" set short_file.eep weight=50
run "read into no folder" 3 "$OSTREL" --sim read -o "$work/no/such/folder/a.eep"
run "trace into no folder" 3 "$OSTREL" --sim --trace "$work/no/such/folder/t.log" test

# The port: none given and no configuration file here or beside the program.
run "no port" 2 "$OSTREL" test
has_text "no port" err "ostrel ports"
# A configuration file in the current folder names the port (COM7, 4 bytes little-endian).
printf '\007\000\000\000' >Ostrel3tools.cfg
"$OSTREL" --trace cfg.log test >/dev/null 2>&1
has_text "port from the configuration file" cfg.log "open      COM7"
rm Ostrel3tools.cfg

run "two keyers" 2 "$OSTREL" --sim --port "$work/keyer" test
run "no command" 2 "$OSTREL"
run "unknown command" 2 "$OSTREL" frobnicate
run "read without -o" 2 "$OSTREL" --sim read
run "help" 0 "$OSTREL" --help

# --- results as data: JSON both ways, diff, write's check ----------------------------------------
run "test --json" 0 "$OSTREL" -p "$work/mini_keyer" test --json
has_text "test --json" out '"ic": "MINI"'
has_text "test --json" out '"aux_value": null'
has_text "test --json" out '"supply_volts": null'
# A file's JSON put into another file gives the same settings, 4166 Hz (divisor 15) included.
run "show --json for set" 0 "$OSTREL" show --json "$GOLDEN/sample.eep"
mv out sample.json
cp zero.eep from.eep
run "set --from" 0 "$OSTREL" set from.eep --from sample.json
run "set --from shows the same" 0 "$OSTREL" show from.eep
same_file "set --from shows the same" out "$GOLDEN/show.txt"
printf '{"user1": {"weight": 5}}' >refused.json
run "set --from refused" 2 "$OSTREL" set from.eep --from refused.json
has_text "set --from refused" err "ostrel: User 1: Weight must be between 10 and 90"
printf '{"user1": {"loudness": 5}}' >unknown.json
run "set --from unknown field" 2 "$OSTREL" set from.eep --from unknown.json
has_text "set --from unknown field" err "user1.loudness: no such field"
run "set --from not JSON" 3 "$OSTREL" set from.eep --from "$GOLDEN/sample.eep"
run "diff same" 0 "$OSTREL" diff "$GOLDEN/sample.eep" from.eep
[ -s out ] && fail "diff same: printed $(cat out)"
cp "$GOLDEN/sample.eep" changed.eep
run "diff set" 0 "$OSTREL" set changed.eep --user 2 cur_wpm=20 msg3=TEST
run "diff different" 1 "$OSTREL" diff "$GOLDEN/sample.eep" changed.eep
has_text "diff different" out "  CurWpm: 99 -> 20"
has_text "diff different" out '  Msg 3: "" -> "TEST"'
[ "$(grep -c -- ' -> ' out)" = 2 ] || fail "diff different: $(cat out)"
run "diff keyer" 1 "$OSTREL" -p "$work/keyer" diff changed.eep --keyer
has_text "diff keyer" out "+++ keyer"
run "diff silent keyer" 4 "$OSTREL" -p "$work/silent_keyer" diff changed.eep --keyer
run "diff missing file" 3 "$OSTREL" diff changed.eep missing.eep
run "diff usage" 2 "$OSTREL" diff changed.eep
# write sends only what the window could have stored, unless forced.
run "write refused" 2 "$OSTREL" --sim write zero.eep
has_text "write refused" err "  User 1 Weight: 0, where the window stores 10 to 90"
run "write forced" 0 "$OSTREL" --sim write zero.eep --force
run "--version" 0 "$OSTREL" --version
has_text "--version" out "ostrel ${OSTREL_VERSION:?the version, from CMake}"
run "command help" 0 "$OSTREL" upload --help
has_text "command help" out "-p,--port"
grep -q "/" <(head -2 out) && fail "command help: a path in the usage line: $(head -2 out)"

# --- trace ------------------------------------------------------------------------------------
run "trace" 0 "$OSTREL" --port "$work/keyer" --trace trace.log test
has_text "trace" trace.log "sent      00 04 55"
has_text "trace" trace.log "received  55"
has_text "trace" trace.log "line      1200 baud 8N1"
run "trace failure" 1 "$OSTREL" --port "$work/silent_keyer" --trace silent.log test
has_text "trace failure" silent.log "FAILED"

# --- ui: a second plain start opens the running one's page ------------------------------------
ui_pid=""
(XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" exec "$OSTREL" ui --no-browser \
  >ui1.out 2>ui1.err) &
ui_pid=$!
sim_pids+=("$ui_pid")
for _ in $(seq 100); do [ -s ui1.out ] && [ -e "$work/run/ostrel/ui-running.json" ] && break; sleep 0.1; done
XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" run "ui again" 0 "$OSTREL" ui --no-browser
[ "$(head -1 out)" = "$(head -1 ui1.out)" ] || fail "ui again: $(head -1 out), not $(head -1 ui1.out)"
has_text "ui again" err "already running"
kill "$ui_pid"; wait "$ui_pid" 2>/dev/null
[ -e "$work/run/ostrel/ui-running.json" ] && fail "ui: the record outlived the server"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
