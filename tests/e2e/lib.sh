# Shared by the end-to-end scripts: a virtual display of their own, the
# simulator on a pseudo-terminal, and clean-up of everything they started.
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# start_display [WIDTHxHEIGHTxDEPTH]
start_display() {
  exec 3<> "$work/displayfd"
  Xvfb -displayfd 3 -screen 0 "${1:-1280x800x24}" -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  local display=""
  for _ in $(seq 100); do
    display=$(head -n1 "$work/displayfd" 2>/dev/null || true)
    [ -n "$display" ] && break
    sleep 0.05
  done
  [ -n "$display" ] || fail "Xvfb did not start"
  export DISPLAY=":$display"
  unset QT_QPA_PLATFORM
}

# start_sim BIN_DIR [options...]: serves $work/com1, records into $work/sim.log
start_sim() {
  local bin=$1
  shift
  "$bin/qzan-sensor-sim" --link "$work/com1" --log "$work/sim.log" "$@" \
    > "$work/sim.out" 2> "$work/sim.err" &
  pids+=($!)
  for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.05; done
  [ -e "$work/com1" ] || fail "the simulator did not start"
}

# wait_for SECONDS COMMAND...: until COMMAND succeeds, or 1 after SECONDS
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 20))); do "$@" && return 0; sleep 0.05; done
  return 1
}

# wait_exit PID SECONDS: sets exit_status to the exit code of PID, or fails
# if it runs on (not in a subshell: only this shell can wait for its child)
wait_exit() {
  local pid=$1 seconds=$2
  exit_status=0
  for _ in $(seq $((seconds * 20))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    fail "the program did not end within $seconds s"
  fi
  wait "$pid" || exit_status=$?
}
