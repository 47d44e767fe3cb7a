#!/usr/bin/env bash
# The main job, offline: starts the stand-in sites server on loopback, points
# the program's proxy setting at it and searches for a film.
#   scripts/run.sh [FILM]       (default film: "Matrix")
set -euo pipefail
cd "$(dirname "$0")/.."

film="${1:-Matrix}"

if [ "$(id -u)" = 0 ]; then
  scripts/install-deps.sh >/dev/null
fi
if [ ! -x build/bin/velkaro-cli ] || [ ! -x build/bin/sitesim ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j"${JOBS:-2}" --target velkaro-cli sitesim >/dev/null

port_file=$(mktemp)
build/bin/sitesim --port-file "$port_file" >/dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -f "$port_file"' EXIT
for _ in $(seq 100); do
  [ -s "$port_file" ] && break
  sleep 0.05
done
port=$(cat "$port_file")

# The program reads its proxy setting from the file beside it.
printf '1\r\n127.0.0.1:%s\r\n' "$port" > build/bin/proxy.txt
echo "searching for \"$film\" through the stand-in sites on 127.0.0.1:$port" >&2
build/bin/velkaro-cli search "$film"
