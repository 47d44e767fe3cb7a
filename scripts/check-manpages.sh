#!/usr/bin/env bash
# Every option a program accepts, as its --help lists it (and --help itself),
# is in its manual page, in each language. Needs the built programs.
#   scripts/check-manpages.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
status=0

# check PROGRAM PAGE: PROGRAM is the name in BUILD_DIR/bin.
check() {
  local program=$1 page=$2 text option
  # The page as it reads: roff writes a minus as \-.
  text=$(sed 's/\\-/-/g' "$page")
  for option in $( { "$build/bin/$program" --help; echo --help; } | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    if ! grep -qE -- "${option}([^a-z-]|\$)" <<<"$text"; then
      echo "check-manpages: $page does not name $option, which $program accepts" >&2
      status=1
    fi
  done
}

# Each page in each language: English, the default, and Turkish.
for language in en tr; do
  check velkaro "packaging/man/$language/velkaro.1"
  check velkaro-cli "packaging/man/$language/velkaro-cli.1"
  check sitesim "packaging/man/$language/velkaro-sitesim.1"
done
[ "$status" = 0 ] && echo "check-manpages: every option is in its manual page, in English and in Turkish"
exit "$status"
