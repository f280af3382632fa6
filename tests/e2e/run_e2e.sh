#!/usr/bin/env bash
# The built program as a user starts it: on a virtual display against the
# simulator it shows its window and ends with 0 when the window is closed;
# without its panel file it ends at once with -1 and shows nothing.
set -euo pipefail
bin=$1
x11=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A virtual display of our own.
exec 3<> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  display=$(head -n1 "$work/displayfd" 2>/dev/null || true)
  [ -n "$display" ] && break
  sleep 0.05
done
[ -n "$display" ] || fail "Xvfb did not start"
export DISPLAY=":$display"
unset QT_QPA_PLATFORM

"$bin/qzan-sensor-sim" --link "$work/com1" --baud 19200 > "$work/sim.out" 2> "$work/sim.err" &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.05; done
[ -e "$work/com1" ] || fail "the simulator did not start"

echo "start against the simulator, close the window"
QZAN_COM1="$work/com1" "$bin/QzanRMRivad" &
prog=$!
"$x11" wait "Q-ZAN-RM-Rivad" 10 || fail "no window within 10 s"
sleep 0.3
"$x11" close "Q-ZAN-RM-Rivad" || fail "could not ask the window to close"
status=0
for _ in $(seq 100); do kill -0 "$prog" 2>/dev/null || break; sleep 0.05; done
kill -0 "$prog" 2>/dev/null && { kill "$prog"; fail "the program did not end within 5 s of the close"; }
wait "$prog" || status=$?
[ "$status" -eq 0 ] || fail "exit code $status, expected 0"

echo "start without a port, close the window"
QZAN_COM1="$work/none" "$bin/QzanRMRivad" &
prog=$!
"$x11" wait "Q-ZAN-RM-Rivad" 10 || fail "no window without a port"
"$x11" close "Q-ZAN-RM-Rivad"
status=0
wait "$prog" || status=$?
[ "$status" -eq 0 ] || fail "exit code $status without a port, expected 0"

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
