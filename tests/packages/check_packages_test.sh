#!/usr/bin/env bash
# Tests of scripts/check-packages: which programs it finds a script calling,
# which packages it takes scripts/setup to bring, and that it names a package
# the list leaves out.
#
#   check_packages_test.sh CASE SOURCE_FOLDER BUILD_FOLDER
set -euo pipefail
case_name=$1
root=$2
build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# same FILE EXPECTED_TEXT: the file holds exactly these lines
same() {
  diff -u <(printf '%s\n' "$2") "$1" >&2 || fail "unexpected lines in $(basename "$1") (above)"
}

scannerFindsTheProgramsAScriptCalls() {
  cat >"$work/script" <<'SCRIPT'
#!/usr/bin/env bash
# a comment naming notacommand
set -euo pipefail
helper() { inner_tool --x; }
function other { :; }
x=$(first_tool a | second_tool b)
y="quoted $(third_tool "$(fourth_tool)") text; not_a_tool"
FOO=bar BAZ="a b" fifth_tool arg not_a_tool
env A=1 sixth_tool && timeout 5 seventh_tool
command -v eighth_tool >/dev/null 2>&1 || ninth_tool
case "$1" in
  pattern_word|other_pattern) tenth_tool ;;
  (*) : ;;
esac
if [[ $x =~ (a|not_a_tool) ]]; then eleventh_tool; fi
echo $((1 + 2)) 'single; not_a_tool' >out_file 2>&1
"$dynamic/tool" arg
build/bin/relative_tool
while read -r l; do twelfth_tool "$l"; done < <(thirteenth_tool)
cat <<EOF
heredoc_line; not_a_tool
EOF
prefix=(fourteenth_tool -a)
"${prefix[@]}" after_prefix_tool not_a_tool
for w in not_a_tool also_not; do fifteenth_tool; done
sixteenth_tool \
  continued_arg; `seventeenth_tool`
SCRIPT
  awk -f "$root/scripts/lib/shell-commands.awk" "$work/script" >"$work/found"
  cut -f2 "$work/found" | sort -u >"$work/names"
  same "$work/names" "$(sort <<'NAMES'
:
after_prefix_tool
build/bin/relative_tool
cat
command
echo
eighth_tool
eleventh_tool
env
fifteenth_tool
fifth_tool
first_tool
fourteenth_tool
fourth_tool
function helper
function other
inner_tool
ninth_tool
read
second_tool
set
seventeenth_tool
seventh_tool
sixteenth_tool
sixth_tool
tenth_tool
third_tool
thirteenth_tool
timeout
twelfth_tool
NAMES
)"
  # Lines are counted across continuations, quotes and here-documents; a
  # program kept in an array is reported where the array was filled.
  grep -qxF "$work/script:23	fourteenth_tool" "$work/found" || fail "wrong line for fourteenth_tool"
  grep -qxF "$work/script:26	sixteenth_tool" "$work/found" || fail "wrong line for sixteenth_tool"
  grep -qxF "$work/script:27	seventeenth_tool" "$work/found" || fail "wrong line for seventeenth_tool"
  echo "PASS"
}

closureFollowsDependenciesAlternativesAndVirtualPackages() {
  printf 'base-a\n' >"$work/base"
  cat >"$work/depends" <<'DEPENDS'
app
  Depends: lib-one
 |Depends: alt-first
  Depends: alt-second
 |Depends: never-picked
  Depends: base-a
  Depends: <virt>
    provider-one
    provider-two
  PreDepends: pre
  Recommends: recommended
lib-one
  Depends: lib-deep:any
lib-deep
alt-first
alt-second
  Depends: only-via-second
base-a
  Depends: base-lib
base-lib
never-picked
provider-one
provider-two
pre
recommended
only-via-second
<virt>
DEPENDS
  closure() { awk -f "$root/scripts/lib/dep-closure.awk" "$work/base" "$work/depends" "$@" | sort; }
  printf 'app\n' >"$work/list"
  closure "$work/list" >"$work/result"
  same "$work/result" "$(printf '%s\n' alt-first app base-a base-lib lib-deep lib-one pre provider-one)"
  # A provider the list names itself stands for the virtual package.
  printf 'app\nprovider-two\n' >"$work/list"
  closure "$work/list" >"$work/result"
  same "$work/result" \
    "$(printf '%s\n' alt-first app base-a base-lib lib-deep lib-one pre provider-two)"
  echo "PASS"
}

packagesLeftOutOfTheListAreNamedWithAFileThatNeedsThem() {
  if [ ! -s "$build/cmake-trace.json" ]; then
    echo "SKIP: $build has no CMake trace (scripts/test configures with one)"
    exit 77
  fi
  . "$root/scripts/lib/package-list.sh"
  # One package that only the configure reads, one that the compiler reads,
  # one that a test calls.
  package_list | grep -vx -e libgmock-dev -e qt6-svg-dev -e xdotool >"$work/list"
  status=0
  "$root/scripts/check-packages" --no-run --list "$work/list" "$build" >"$work/out" 2>&1 || status=$?
  cat "$work/out"
  [ "$status" -eq 1 ] || fail "exit code $status, expected 1"
  grep -q "^  libgmock-dev: /usr/lib/.*/cmake/GTest/GMock.*, read by the configure" "$work/out" ||
    fail "libgmock-dev not named with its CMake file"
  grep -q "^  qt6-svg-dev: /usr/include/.*/QtSvg/.*, read by the compiler" "$work/out" ||
    fail "qt6-svg-dev not named with a header"
  grep -q "^  xdotool: /usr/bin/xdotool, read by tests/e2e/[a-z_]*\.sh:[0-9]* (runs xdotool)" \
    "$work/out" || fail "xdotool not named with the script that runs it"
  echo "PASS"
}

"$case_name"
