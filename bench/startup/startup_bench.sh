# Times the start of Ostrel3tools.exe under Wine: from launching `wine` to the main window being
# shown, that is to the X window titled "Ostrel 3 Tools Utility 4.3" being mapped (xwininfo says
# IsViewable), polled every 5 ms. Prints one RUN line per start, as line_bench does:
#   RUN op=start-warm|start-cold run=N ok=0|1 wall_ms=W peak_kb=K
# Warm: the prefix's wineserver is already running (one unmeasured start before). Cold: the
# wineserver is stopped first, so its start and the prefix's services are in the figure.
# peak_kb is the process's VmHWM (peak resident set) read 1 s after the window appeared.
#
#   bash startup_bench.sh EXE WARM_RUNS COLD_RUNS
# WINEPREFIX and DISPLAY come from the environment; bench/all sets both up.
set -uo pipefail

EXE=$1
WARM_RUNS=$2
COLD_RUNS=$3
TITLE="Ostrel 3 Tools Utility 4.3"
TIMEOUT_MS=60000

APP_DIR="$WINEPREFIX/drive_c/ostrel-bench-startup"
mkdir -p "$APP_DIR"
cp "$EXE" "$APP_DIR/Ostrel3tools.exe"
# A configuration file as after the first start (COM1), so that no port is probed: the usual start.
printf '\001\000\000\000' >"$APP_DIR/Ostrel3tools.cfg"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

window_shown() {
  xwininfo -name "$TITLE" 2>/dev/null | grep -q IsViewable
}

# start_once KIND RUN: one measured start, then the program is ended.
start_once() {
  local kind=$1 run=$2 start pid shown=0 elapsed peak
  if window_shown; then
    echo "RUN op=start-$kind run=$run ok=0 wall_ms=0 peak_kb=0 (a main window was already up)"
    return
  fi
  start=$(date +%s%N)
  (cd "$APP_DIR" && exec wine Ostrel3tools.exe >/dev/null 2>"$APP_DIR/start.err") &
  pid=$!
  while :; do
    if window_shown; then
      shown=1
      break
    fi
    elapsed=$((($(date +%s%N) - start) / 1000000))
    [ "$elapsed" -gt "$TIMEOUT_MS" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.005
  done
  elapsed=$(awk -v s="$start" -v e="$(date +%s%N)" 'BEGIN { printf "%.1f", (e - s) / 1e6 }')
  sleep 1
  peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  # The window goes with its process; wait until it has, so the next start is seen afresh.
  for _ in $(seq 200); do window_shown || break; sleep 0.01; done
  # A start that showed no window keeps Wine's last words with it, for whoever looks into it.
  local why=""
  [ "$shown" -eq 0 ] && why=" ($(tail -n 1 "$APP_DIR/start.err" 2>/dev/null | tr -d '\r'))"
  echo "RUN op=start-$kind run=$run ok=$shown wall_ms=$elapsed peak_kb=${peak:-0}$why"
}

for run in $(seq "$COLD_RUNS"); do
  wineserver -k >/dev/null 2>&1
  wineserver -w
  start_once cold "$run"
done

# Warm: a persistent wineserver and one start to bring the prefix's services up.
wineserver -p >/dev/null 2>&1
(cd "$APP_DIR" && exec wine Ostrel3tools.exe >/dev/null 2>&1) &
first=$!
for _ in $(seq 3000); do window_shown && break; sleep 0.01; done
kill "$first" 2>/dev/null
wait "$first" 2>/dev/null
for _ in $(seq 200); do window_shown || break; sleep 0.01; done
for run in $(seq "$WARM_RUNS"); do
  start_once warm "$run"
done
