#!/usr/bin/env bash
# The built program as a user starts it: on a virtual display against the
# simulator it shows its window and ends with 0 when the window is closed;
# without its panel file it ends at once with -1 and shows nothing.
set -euo pipefail
bin=$1
x11=$2
. "$(dirname "$0")/lib.sh"
start_display
start_sim "$bin" --baud 19200

echo "start against the simulator, close the window"
QZAN_COM1="$work/com1" "$bin/QzanRMRivad" &
prog=$!
"$x11" wait "Q-ZAN-RM-Rivad" 10 || fail "no window within 10 s"
sleep 0.3
"$x11" close "Q-ZAN-RM-Rivad" || fail "could not ask the window to close"
wait_exit "$prog" 5
[ "$exit_status" -eq 0 ] || fail "exit code $exit_status, expected 0"

echo "start without a port, close the window"
QZAN_COM1="$work/none" "$bin/QzanRMRivad" &
prog=$!
"$x11" wait "Q-ZAN-RM-Rivad" 10 || fail "no window without a port"
"$x11" close "Q-ZAN-RM-Rivad"
wait_exit "$prog" 5
[ "$exit_status" -eq 0 ] || fail "exit code $exit_status without a port, expected 0"

echo "start without the panel file"
mkdir "$work/lonely"
cp "$bin/QzanRMRivad" "$work/lonely/"
status=0
start=$(date +%s%N)
QZAN_COM1="$work/com1" timeout 10 "$work/lonely/QzanRMRivad" || status=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$status" -eq 255 ] || fail "exit code $status without the panel file, expected -1 (255)"
[ "$elapsed_ms" -lt 3000 ] || fail "took $elapsed_ms ms to give up"
echo "broken panel file"
head -c 2000 "$bin/QzanRMRivad.ui" > "$work/lonely/QzanRMRivad.ui"
status=0
QZAN_COM1="$work/com1" timeout 10 "$work/lonely/QzanRMRivad" || status=$?
[ "$status" -eq 255 ] || fail "exit code $status with a broken panel file, expected 255"
echo "PASS"
