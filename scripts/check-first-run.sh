#!/usr/bin/env bash
# The README's first command as a newcomer meets it: a fresh clone of the
# committed tree, no build folder, no display. Fails unless `scripts/run.sh
# Matrix` exits 0 and prints at least one row.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "check-first-run: not a git checkout; nothing committed to clone" >&2
  exit 1
fi

# Inside the tree (ignored like every build folder) so that a compiler cache
# shared with the later builds sees the same relative paths; made anew each time.
work="$PWD/build-first-run"
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
git clone --quiet --no-hardlinks . "$work/velkaro"

status=0
(cd "$work/velkaro" && env -u DISPLAY -u WAYLAND_DISPLAY scripts/run.sh Matrix) \
  >"$work/rows" 2>"$work/messages" || status=$?
rows=$(grep -c . "$work/rows" || true)
if [ "$status" != 0 ] || [ "$rows" = 0 ]; then
  echo "check-first-run: scripts/run.sh Matrix in a fresh clone exited $status with $rows rows" >&2
  cat "$work/messages" >&2
  exit 1
fi
echo "check-first-run: scripts/run.sh Matrix in a fresh clone printed $rows rows; $(tail -n 1 "$work/messages")"
