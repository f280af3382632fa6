#!/usr/bin/env bash
# An operator's session with the built program on a virtual display, by mouse
# and keyboard: Run, Stop, Get, save the parameters to a file and load them
# back through the real dialogs, a wheel turn that must not touch the port,
# choose the port again, close the window.
# What the program did is read from the simulator's record of requests.
set -euo pipefail
bin=$1
x11=$2
map=$3
. "$(dirname "$0")/lib.sh"
command -v xdotool >/dev/null || fail "xdotool is missing (scripts/setup installs it)"
start_display
start_sim "$bin" --baud 19200

requests() { grep -c " REQ $1 " "$work/sim.log" || true; }
more_than() { [ "$(requests "$1")" -gt "$2" ]; } # more_than CMD N: checked afresh
# last_request CMD: the words of the newest request of that command
last_request() { grep " REQ $1 " "$work/sim.log" | tail -n1 | cut -d' ' -f4-; }

QZAN_COM1="$work/com1" "$bin/QzanRMRivad" &
prog=$!
pids+=("$prog")
"$x11" wait "Q-ZAN-RM-Rivad" 10 || fail "no window within 10 s"
wait_for 5 more_than 2 0 || fail "no parameter fetch at start-up"

# Where the controls lie: the panel as the program lays it out on this display.
"$map" > "$work/map" || fail "could not lay out the panel"
window=$(xdotool search --name '^Q-ZAN-RM-Rivad( - |$)' | head -n1)
[ -n "$window" ] || fail "the window cannot be found"
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y
press() { # press CONTROL: a mouse click on its centre
  local x y
  read -r x y < <(awk -v n="$1" '$1 == n { print $2, $3 }' "$work/map")
  [ -n "$x" ] || fail "no control $1 on the panel"
  xdotool mousemove "$((X + x))" "$((Y + y))" click 1
  sleep 0.3
}
answer_dialog() { # answer_dialog TITLE PATH: type PATH into the dialog, Return
  "$x11" wait "$1" 10 || fail "no dialog \"$1\""
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 5 "$2"
  xdotool key Return
  "$x11" gone "$1" 10 || fail "the dialog \"$1\" stayed open"
  sleep 0.3
}

echo "Run, then Stop"
press BTNRun
wait_for 5 more_than 8 20 || fail "the cycle did not run"
press BTNStop
sleep 0.5
cycled=$(requests 8)
sleep 1
[ "$(requests 8)" -eq "$cycled" ] || fail "the cycle did not stop"

echo "Get from RAM"
fetched=$(requests 2)
press BTNGet
wait_for 5 more_than 2 "$fetched" || fail "Get sent no fetch"

echo "Send to a file and load it back"
press RBTFile
press BTNSend &  # the dialog opens inside the press
presser=$!
answer_dialog "Q-ZAN-RM-Series Parameter File" "$work/saved"
wait "$presser"
wait_for 5 test -s "$work/saved.dat" || fail "nothing was saved"
[ "$(wc -l < "$work/saved.dat")" -eq 16 ] || fail "the file does not hold sixteen lines"
sed -i '1s/.*/ 777/' "$work/saved.dat"
press BTNGet &
presser=$!
answer_dialog "Q-ZAN-RM-Parameter File" "$work/saved.dat"
wait "$presser"
press RBTRam
written=$(requests 1)
press BTNSend
wait_for 5 more_than 1 "$written" || fail "Send to RAM sent nothing"
[ "$(last_request 1 | cut -d' ' -f1)" = 777 ] || fail "the loaded power did not reach the sensor"

echo "A wheel turn over the closed COM drop-down changes nothing"
checks=$(requests 7)
fetched=$(requests 2)
read -r x y < <(awk '$1 == "DropDCom" { print $2, $3 }' "$work/map")
# Down and up again: without the guard COM1 would be closed and opened anew.
xdotool mousemove "$((X + x))" "$((Y + y))" click 5 click 4
sleep 1
[ "$(requests 7)" -eq "$checks" ] && [ "$(requests 2)" -eq "$fetched" ] ||
  fail "the wheel re-opened the port"

echo "Choose the port again"
checks=$(requests 7)
press DropDCom
xdotool key Return
wait_for 5 more_than 7 "$checks" || fail "the port was not opened again"

echo "Close the window"
"$x11" close "Q-ZAN-RM-Rivad"
wait_exit "$prog" 5
[ "$exit_status" -eq 0 ] || fail "exit code $exit_status, expected 0"
echo "PASS"
