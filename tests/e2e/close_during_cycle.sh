#!/usr/bin/env bash
# Closes the built program's window while its measurement cycle runs, over
# and over, each time at a different moment of the cycle: every close must
# be honoured, the program ending with 0 within a second. Several virtual
# displays, each with its own simulator, run side by side.
#   close_during_cycle.sh BIN_DIR X11_WINDOW WIDGET_MAP [CLOSES] [DISPLAYS] [MODE] [LIMIT_MS]
# MODE "cycle" (the default) closes while the cycle runs; "release" lets the
# close reach the program between the press and the release of Run, in one
# batch of window events, as it does when the program is busy for a moment.
# LIMIT_MS (1000 by default) is how soon the program must have ended.
set -euo pipefail
bin=$1
x11=$2
map=$3
closes=${4:-200}
displays=${5:-4}
mode=${6:-cycle}
limit_ms=${7:-1000}
title="Q-ZAN-RM-Rivad"
. "$(dirname "$0")/lib.sh"
command -v xdotool >/dev/null || fail "xdotool is missing (scripts/setup installs it)"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
requests() { grep -c " REQ $1 " "$work/sim.log" || true; }

# Starts the program and waits for its window; a display that refuses a new
# client now and then may keep it from starting, which is tried again.
start_program() {
  local attempt
  for attempt in 1 2 3; do
    QZAN_COM1="$work/com1" "$bin/QzanRMRivad" 2>> "$work/program.err" &
    prog=$!
    "$x11" wait "$title" 10 && return 0
    kill "$prog" 2>/dev/null || true
    wait "$prog" 2>/dev/null || true
  done
  return 1
}

# Moves the pointer over Run.
point_at_run() {
  local window x y geometry
  read -r x y < <(awk '$1 == "BTNRun" { print $2, $3 }' "$work/map")
  window=$(xdotool search --name "^$title( - |\$)" 2>/dev/null | head -n1) || true
  [ -n "$window" ] || return 1
  geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) || return 1
  eval "$geometry" # X, Y
  xdotool mousemove "$((X + x))" "$((Y + y))"
}

# Presses Run with the mouse until the cycle runs (three requests seen).
start_cycle() {
  local attempt before
  for attempt in 1 2 3; do
    point_at_run || { sleep 0.1; continue; }
    before=$(requests 8)
    xdotool click 1 || continue
    for _ in $(seq 100); do
      [ "$(requests 8)" -gt $((before + 2)) ] && return 0
      sleep 0.02
    done
  done
  return 1
}

# One display's share of the closes: prints one line per close,
# "honoured MS", "late MS", "ignored", "exit CODE", or what kept it from
# getting as far as a close.
one_display() {
  local count=$1 i t0 elapsed code watchdog
  work=$(mktemp -d)
  pids=()
  trap cleanup EXIT
  start_display
  start_sim "$bin" --baud 19200
  "$map" > "$work/map" || { echo "no map"; return; }
  for i in $(seq "$count"); do
    start_program || { echo "no window"; continue; }
    if [ "$mode" = release ]; then
      if ! point_at_run; then
        echo "no pointer"
        kill "$prog" 2>/dev/null || true
        wait "$prog" 2>/dev/null || true
        continue
      fi
      # Held while the three arrive, the program takes them in one batch.
      kill -STOP "$prog"
      xdotool mousedown 1
      "$x11" close "$title" > /dev/null || echo "close not sent"
      xdotool mouseup 1
      sleep 0.05
      t0=$(now_ms)
      kill -CONT "$prog"
    else
      if ! start_cycle; then
        echo "no cycle"
        kill "$prog" 2>/dev/null || true
        wait "$prog" 2>/dev/null || true
        continue
      fi
      # A different moment of the cycle each time: up to ten of its exchanges.
      sleep "0.$(printf '%03d' $((RANDOM % 400)))"
      # From the moment the display server has the close: finding the
      # window on a busy display is the tool's time, not the program's.
      t0=$("$x11" close "$title") || { echo "close not sent"; t0=$(now_ms); }
    fi
    # Waiting on the program itself notes its end at once, where polling
    # would add its own delay on a busy machine; a watchdog ends a program
    # that ignored the close.
    { sleep 5 && kill -0 "$prog" 2>/dev/null && touch "$work/ignored.$prog" && kill "$prog"; } &
    watchdog=$!
    code=0
    wait "$prog" || code=$?
    elapsed=$(($(now_ms) - t0))
    kill "$watchdog" 2>/dev/null || true
    wait "$watchdog" 2>/dev/null || true
    if [ -e "$work/ignored.$prog" ]; then
      echo "ignored"
      rm -f "$work/ignored.$prog"
    elif [ "$code" -ne 0 ]; then
      echo "exit $code"
    elif [ "$elapsed" -le "$limit_ms" ]; then
      echo "honoured $elapsed"
    else
      echo "late $elapsed"
    fi
  done
}

results="$work/results"
mkdir -p "$results"
share=$(((closes + displays - 1) / displays))
left=$closes
for d in $(seq "$displays"); do
  n=$((left < share ? left : share))
  [ "$n" -gt 0 ] || break
  left=$((left - n))
  (one_display "$n" > "$results/$d") &
  pids+=($!)
done
wait "${pids[@]}" || true
pids=()

cat "$results"/* > "$results/all"
honoured=$(grep -c '^honoured' "$results/all" || true)
sent=$(grep -c -E '^(honoured|late|ignored|exit)' "$results/all" || true)
slowest=$(awk '$1 == "honoured" && $2 > m { m = $2 } END { print m + 0 }' "$results/all")
what="during a cycle"
[ "$mode" = release ] && what="between the press and the release of Run"
echo "honoured $honoured of $sent closes $what (slowest end ${slowest} ms)"
grep -v '^honoured' "$results/all" | sort | uniq -c || true
[ "$sent" -eq "$closes" ] || fail "only $sent of $closes closes could be tried"
[ "$honoured" -eq "$closes" ] || fail "$((closes - honoured)) closes were not honoured within ${limit_ms} ms"
echo "PASS"
