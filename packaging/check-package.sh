#!/usr/bin/env bash
# Builds the Debian package from a built tree and proves it: its files, its
# dependencies (which must resolve on a Debian system with nothing installed),
# the unpacked program against the unpacked simulator, and, as root, an
# install into this system, a run of /usr/bin/QzanRMRivad and a purge.
#
#   packaging/check-package.sh [BUILD_FOLDER]     (default: build)
#
# Skips with a message, and exit code 0, where it cannot run (no dpkg tools);
# skips only the install step without root, when the package is already
# installed here (it is left alone), or with QZAN_PACKAGE_NO_INSTALL=1.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

say() { echo "package: $*"; }
skip() { echo "package check skipped: $*"; exit 0; }
fail() { echo "package check FAILED: $*" >&2; exit 1; }

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || skip "no $tool here (a Debian system with cmake and dpkg-dev is needed)"
done
[ -f "$build/CPackConfig.cmake" ] || fail "$build is no configured build folder"
[ -x "$build/bin/QzanRMRivad" ] && [ -x "$build/bin/qzan-sensor-sim" ] && [ -x "$build/bin/qzan" ] ||
  fail "build the program, the tool and the simulator in $build first"

work=$(mktemp -d)
pids=()
installed_by_us=0
# Ends what this script started and has not yet reaped (so never a recycled id).
stop() {
  local p keep=()
  for p in "$@"; do kill "$p" 2>/dev/null || true; done
  for p in "$@"; do wait "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do [[ " $* " == *" $p "* ]] || keep+=("$p"); done
  pids=("${keep[@]}")
}
cleanup() {
  [ ${#pids[@]} -eq 0 ] || stop "${pids[@]}"
  if [ "$installed_by_us" = 1 ] && dpkg-query -W -f='${Status}' qzan-rm-rivad 2>/dev/null |
       grep -q "install ok installed"; then
    apt-get purge -y -qq -o DPkg::Lock::Timeout=60 qzan-rm-rivad >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$work/xdg"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# ---- build it -----------------------------------------------------------------
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
debs=("$work"/out/qzan-rm-rivad_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single package"
deb=${debs[0]}
say "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# ---- its files ------------------------------------------------------------------
expected="./usr/bin/QzanRMRivad -> ../lib/qzan-rm-rivad/QzanRMRivad
./usr/bin/qzan
./usr/bin/qzan-sensor-sim
./usr/lib/qzan-rm-rivad/QzanRMRivad
./usr/lib/qzan-rm-rivad/QzanRMRivad.ui
./usr/share/applications/qzan-rm-rivad.desktop
./usr/share/doc/qzan-rm-rivad/copyright
./usr/share/icons/hicolor/128x128/apps/qzan-rm-rivad.png
./usr/share/icons/hicolor/48x48/apps/qzan-rm-rivad.png
./usr/share/icons/hicolor/scalable/apps/qzan-rm-rivad.svg
./usr/share/man/man1/qzan.1.gz"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' | sort)
[ "$files" = "$expected" ] || fail "unexpected files:
$files"
say "files:"
sed 's/^/  /' <<<"$files"

# ---- its control fields and dependencies -------------------------------------------
for field in Package Version Architecture Maintainer Section Description Depends; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field field"
done
depends=$(dpkg-deb -f "$deb" Depends)
say "Depends: $depends"
# The package names alone, one a line (alternatives count each).
names=$(sed -e 's/([^)]*)//g' -e 's/[,|]/\n/g' <<<"$depends" | tr -d ' ')
for need in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 \
            libqt6uitools6 libqt6svg6 libqcustomplot2.1-qt6; do
  grep -qxF "$need" <<<"$names" || fail "Depends does not name $need"
done

mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
if command -v readelf >/dev/null; then
  ! readelf -d "$work/root/usr/lib/qzan-rm-rivad/QzanRMRivad" | grep -Eq "RPATH|RUNPATH" ||
    fail "the installed program carries a library search path"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/root/usr/share/applications/qzan-rm-rivad.desktop" ||
    fail "the desktop entry is not valid"
fi

# On a Debian system with nothing installed at all, the dependencies must
# resolve from the archive alone.
if command -v apt-get >/dev/null && compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null; then
  : >"$work/empty-status"
  apt-get -o Dir::State::status="$work/empty-status" -o Debug::NoLocking=1 \
    install --simulate --no-install-recommends "$deb" >"$work/resolve.log" 2>&1 ||
    { tail -20 "$work/resolve.log" >&2; fail "the dependencies do not resolve on an empty system"; }
  grep -q "^Inst qzan-rm-rivad " "$work/resolve.log" || fail "apt would not install the package"
  say "resolves on an empty Debian system: $(grep -c '^Inst ' "$work/resolve.log") packages to install"
else
  say "dependency resolution not checked: no apt package lists (run apt-get update)"
fi

# ---- it runs ----------------------------------------------------------------------
# Starts `sim` on a pseudo-terminal and `program` against it for a moment:
# the program must stay up (without its panel file, found beside the
# resolved executable, it would end at once) and must have talked to the
# simulator (an echo check answered).
run_against_simulator() {
  local program=$1 sim=$2 tag=$3
  local link="$work/$tag-com1"
  "$sim" --link "$link" >"$work/$tag-sim.out" 2>&1 &
  local sim_pid=$!
  pids+=("$sim_pid")
  for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done
  [ -e "$link" ] || fail "$tag: the simulator did not start"

  QT_QPA_PLATFORM=offscreen QZAN_COM1="$link" "$program" >"$work/$tag-prog.out" 2>&1 &
  local prog_pid=$!
  pids+=("$prog_pid")
  sleep 2
  kill -0 "$prog_pid" 2>/dev/null || { cat "$work/$tag-prog.out" >&2; fail "$tag: $program ended early"; }
  kill -USR1 "$sim_pid"
  sleep 0.3
  grep -Eq "^cmd 7 requests [1-9][0-9]* answers [1-9]" "$work/$tag-sim.out" ||
    { cat "$work/$tag-sim.out" >&2; fail "$tag: the program did not check the line"; }
  stop "$prog_pid"
  # The tool beside it, without a display.
  local cli
  cli="$(dirname "$program")/qzan"
  env -u DISPLAY -u WAYLAND_DISPLAY QZAN_COM1="$link" "$cli" get --port 1 --from ram \
    >"$work/$tag-cli.out" 2>&1 || { cat "$work/$tag-cli.out" >&2; fail "$tag: $cli get failed"; }
  grep -q "^para15 " "$work/$tag-cli.out" || fail "$tag: $cli get printed no set"
  stop "$sim_pid"

  # Without a device it shows its window all the same and keeps running.
  QT_QPA_PLATFORM=offscreen QZAN_COM1="$work/no-such-port" "$program" >"$work/$tag-noport.out" 2>&1 &
  prog_pid=$!
  pids+=("$prog_pid")
  sleep 1
  kill -0 "$prog_pid" 2>/dev/null || { cat "$work/$tag-noport.out" >&2; fail "$tag: ended without a port"; }
  stop "$prog_pid"
  say "$tag: $program and qzan ran against $sim, the program also without a port"
}
run_against_simulator "$work/root/usr/bin/QzanRMRivad" "$work/root/usr/bin/qzan-sensor-sim" unpacked

# ---- installed into this system, run, purged ------------------------------------------
if [ "${QZAN_PACKAGE_NO_INSTALL:-0}" = 1 ]; then
  say "install step skipped (QZAN_PACKAGE_NO_INSTALL=1)"
elif [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  say "install step skipped: needs root and apt-get"
elif dpkg-query -W -f='${Status}' qzan-rm-rivad 2>/dev/null | grep -q "install ok installed"; then
  say "install step skipped: qzan-rm-rivad is installed here already and is left alone"
else
  installed_by_us=1
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=60 "$deb" >"$work/install.log" 2>&1 ||
    { tail -20 "$work/install.log" >&2; fail "apt-get could not install the package"; }
  [ "$(readlink -f /usr/bin/QzanRMRivad)" = /usr/lib/qzan-rm-rivad/QzanRMRivad ] ||
    fail "/usr/bin/QzanRMRivad does not lead to the installed program"
  [ ! -e /usr/bin/QzanRMRivad.ui ] || fail "a panel file in /usr/bin would hide what this proves"
  run_against_simulator /usr/bin/QzanRMRivad /usr/bin/qzan-sensor-sim installed
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=60 qzan-rm-rivad \
    >"$work/purge.log" 2>&1 || { tail -20 "$work/purge.log" >&2; fail "apt-get could not purge it"; }
  installed_by_us=0
  for gone in /usr/bin/QzanRMRivad /usr/bin/qzan /usr/bin/qzan-sensor-sim /usr/lib/qzan-rm-rivad \
              /usr/share/applications/qzan-rm-rivad.desktop; do
    [ ! -e "$gone" ] && [ ! -L "$gone" ] || fail "$gone is left after the purge"
  done
  say "installed with apt-get, ran /usr/bin/QzanRMRivad, purged again"
fi
say "all checks passed"
