#!/usr/bin/env bash
# Installs the dependencies, checks that the tracked files hold the project
# alone, runs the README's first command in a fresh clone without a display,
# then builds and runs every test: a normal build (with its programs' options
# checked against their manual pages), the
# installed program and its Debian package (scripts/check-install.sh), an
# AddressSanitizer + UndefinedBehaviorSanitizer build, the threaded tests under
# ThreadSanitizer, and each fuzz target for a short run.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="${JOBS:-2}"
fuzz_seconds="${FUZZ_SECONDS:-20}"

# Each step says how long the run has taken so far, to keep CI's time in view.
start=$SECONDS
step() { printf '\n=== %s (%d s)\n' "$*" $((SECONDS - start)); }

step "dependencies"
scripts/install-deps.sh

# One compiler cache for every build below, the first-run clone's included:
# objects compiled with the same flags from the same sources are made once.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
}

step "the tree holds the project alone"
scripts/check-tree.sh

step "every text a person reads is marked, in the catalogue and translated"
scripts/check-texts.sh
scripts/check-translations.sh

step "the README's first command in a fresh clone, without a display"
scripts/check-first-run.sh

step "normal build and tests"
configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
scripts/check-manpages.sh build
ctest --test-dir build -j"$jobs" --output-on-failure
build/bin/velkaro_bench --benchmark_min_time=0.01 >/dev/null

step "installed program and Debian package"
scripts/check-install.sh build

step "AddressSanitizer + UndefinedBehaviorSanitizer"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DVELKARO_SANITIZE=address -DVELKARO_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure

step "ThreadSanitizer (every test labelled threaded)"
configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELKARO_SANITIZE=thread -DVELKARO_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target velkaro_tests
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan -j"$jobs" -L threaded --output-on-failure

step "fuzz targets (${fuzz_seconds} s each, ${jobs} at a time)"
configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVELKARO_FUZZ=ON -DVELKARO_BENCH=OFF
cmake --build build-fuzz -j"$jobs" --target fuzzers
(cd build-fuzz/bin && ls fuzz_*) | xargs -P "$jobs" -I{} scripts/run-fuzzer.sh build-fuzz {} "$fuzz_seconds"

step "all tests passed"
