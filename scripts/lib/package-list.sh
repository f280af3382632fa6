# shellcheck shell=bash
# The Debian packages scripts/setup installs, read from scripts/packages.txt
# (and scripts/packages-fuzz.txt when QZAN_SETUP_FUZZ=1). Sourced by
# scripts/setup and scripts/check-packages, so that the two cannot differ.

# package_list [FILE]: the packages of FILE (default: the project's list and,
# with QZAN_SETUP_FUZZ=1, the fuzz list), one a line; "#" starts a comment.
package_list() {
  local dir files
  dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if [ $# -gt 0 ]; then
    files=("$@")
  else
    files=("$dir/packages.txt")
    [ "${QZAN_SETUP_FUZZ:-0}" = 1 ] && files+=("$dir/packages-fuzz.txt")
  fi
  sed -e 's/#.*//' "${files[@]}" | tr -s ' \t' '\n' | sed '/^$/d'
}
