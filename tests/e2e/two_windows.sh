#!/usr/bin/env bash
# One window per sensor: two programs side by side on one display, one on
# port 1 and one started with --com 2, each on a simulator of its own. Both
# fetch at start-up, both cycles run at once, each window's title names its
# port and device, Stop and close act on their own window only.
set -euo pipefail
bin=$1
x11=$2
map=$3
. "$(dirname "$0")/lib.sh"
command -v xdotool >/dev/null || fail "xdotool is missing (scripts/setup installs it)"
start_display 2600x900x24
start_sim "$bin" --baud 19200
"$bin/qzan-sensor-sim" --link "$work/com2" --log "$work/sim2.log" --baud 19200 \
  > "$work/sim2.out" 2> "$work/sim2.err" &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/com2" ] && break; sleep 0.05; done
[ -e "$work/com2" ] || fail "the second simulator did not start"

requests() { grep -c " REQ $2 " "$1" || true; } # requests LOG CMD
more_than() { [ "$(requests "$1" "$2")" -gt "$3" ]; }

export QZAN_COM1="$work/com1" QZAN_COM2="$work/com2"
"$bin/QzanRMRivad" > "$work/one.out" 2>&1 &
one=$!
pids+=("$one")
"$bin/QzanRMRivad" --com 2 > "$work/two.out" 2>&1 &
two=$!
pids+=("$two")
"$x11" wait "Q-ZAN-RM-Rivad - COM1" 10 || fail "no window on COM1 within 10 s"
"$x11" wait "Q-ZAN-RM-Rivad - COM2" 10 || fail "no window on COM2 within 10 s"
wait_for 5 more_than "$work/sim.log" 2 0 || fail "no fetch from the first sensor"
wait_for 5 more_than "$work/sim2.log" 2 0 || fail "no fetch from the second sensor"

w1=$(xdotool search --name '^Q-ZAN-RM-Rivad - COM1 ' | head -n1)
w2=$(xdotool search --name '^Q-ZAN-RM-Rivad - COM2 ' | head -n1)
[ -n "$w1" ] && [ -n "$w2" ] || fail "the titles do not name the ports"
title2=$(xdotool getwindowname "$w2")
case "$title2" in
  *"(not open)"*) fail "the second window did not open its port: $title2" ;;
esac
xdotool windowmove "$w1" 0 0
xdotool windowmove "$w2" 1300 0
sleep 0.5

"$map" > "$work/map" || fail "could not lay out the panel"
press() { # press WINDOW CONTROL
  local x y X Y WINDOW WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  read -r x y < <(awk -v n="$2" '$1 == n { print $2, $3 }' "$work/map")
  [ -n "$x" ] || fail "no control $2 on the panel"
  xdotool mousemove "$((X + x))" "$((Y + y))" click 1
  sleep 0.3
}

echo "Both cycles run side by side"
press "$w1" BTNRun
press "$w2" BTNRun
wait_for 10 more_than "$work/sim.log" 8 20 || fail "the first cycle did not run"
wait_for 10 more_than "$work/sim2.log" 8 20 || fail "the second cycle did not run"
first=$(requests "$work/sim.log" 8)
second=$(requests "$work/sim2.log" 8)
sleep 1
[ "$(requests "$work/sim.log" 8)" -gt "$first" ] || fail "the first cycle stopped by itself"
[ "$(requests "$work/sim2.log" 8)" -gt "$second" ] || fail "the second cycle stopped by itself"

echo "Stop in the first window stops only the first cycle"
press "$w1" BTNStop
sleep 0.5
first=$(requests "$work/sim.log" 8)
second=$(requests "$work/sim2.log" 8)
sleep 1
[ "$(requests "$work/sim.log" 8)" -eq "$first" ] || fail "the first cycle did not stop"
[ "$(requests "$work/sim2.log" 8)" -gt "$second" ] || fail "Stop in one window stopped the other"

echo "Closing one window leaves the other"
"$x11" close "Q-ZAN-RM-Rivad - COM1"
wait_exit "$one" 5
[ "$exit_status" -eq 0 ] || fail "the first program ended with $exit_status"
kill -0 "$two" 2>/dev/null || fail "the second program ended with the first"
second=$(requests "$work/sim2.log" 8)
sleep 0.5
[ "$(requests "$work/sim2.log" 8)" -gt "$second" ] || fail "the second cycle stopped with the first window"
"$x11" close "Q-ZAN-RM-Rivad - COM2"
wait_exit "$two" 5
[ "$exit_status" -eq 0 ] || fail "the second program ended with $exit_status"

echo "A port number beyond the list is refused before any window"
status=0
"$bin/QzanRMRivad" --com 17 > /dev/null 2> "$work/bad.err" || status=$?
[ "$status" -eq 2 ] || fail "--com 17 ended with $status, expected 2"
grep -q "from 1 to 16" "$work/bad.err" || fail "--com 17 did not say what it takes"
echo "PASS"
