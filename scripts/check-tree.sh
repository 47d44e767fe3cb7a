#!/usr/bin/env bash
# Fails when a tracked file holds what is not the project's: an absolute path
# of a developer's or build machine's folders, or a note addressed to someone
# working on the project rather than to its users and maintainers.
set -euo pipefail
cd "$(dirname "$0")/.."

# Folders that exist only on the machine a file was written on.
machine_paths='(^|[^[:alnum:]_.~-])/(home/[a-z_][a-z0-9_.-]*|root|Users/[^/[:space:]]+|work|farm)/'
# Words of a note between people working on the tree.
notes='engineer|\bbriefs?\b|teammate|\bsubagent|\bthe lead\b|remove this (comment|line|note)|(never|do not|don.t) commit (it|this)'

found=$(git grep -n -I -i -E "$machine_paths|$notes" -- . ':!scripts/check-tree.sh' || true)
if [ -n "$found" ]; then
  echo "check-tree: tracked files hold text that is not the project's:" >&2
  printf '%s\n' "$found" >&2
  exit 1
fi
echo "check-tree: no machine paths or notes to people in the tracked files"
