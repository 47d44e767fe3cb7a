#!/usr/bin/env bash
# Runs one libFuzzer target of BUILD_DIR for SECONDS on a fresh corpus made
# from its committed seeds and those made at build time, then prints the end
# of its output (all of it when it failed). Usage: run-fuzzer.sh BUILD_DIR FUZZER SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 fuzzer=$2 seconds=$3

# The ready-subtitle path runs in the program itself: no allocation there may
# come near what the unpacking worker is allowed (the archive reader runs in
# the worker, where the kernel's limit bounds what libarchive asks for).
declare -A options=([fuzz_readysubtitle]="-malloc_limit_mb=256")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
for seeds in "fuzz/corpus/${fuzzer#fuzz_}" "$build/corpus/${fuzzer#fuzz_}"; do
  if [ -d "$seeds" ]; then cp -r "$seeds"/. "$work/corpus"/; fi
done
status=0
# shellcheck disable=SC2086  # the options are words
"$build/bin/$fuzzer" -max_total_time="$seconds" -rss_limit_mb=4096 ${options[$fuzzer]:-} \
  -print_final_stats=1 "$work/corpus" >"$work/output" 2>&1 || status=$?
echo "--- $fuzzer"
if [ "$status" = 0 ]; then tail -n 12 "$work/output"; else cat "$work/output"; fi
exit "$status"
