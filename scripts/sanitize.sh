#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $BRIVOLINE_ASAN_DIR) and runs every test there: a memory
# error, a leak or undefined behaviour fails the test that meets it.
# Extra arguments go to ctest (e.g. -R Documents).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${BRIVOLINE_ASAN_DIR:-build-asan}
werror=OFF
[ -n "${CI:-}" ] && werror=ON
if [ ! -f "$build/build.ninja" ]; then
  # -O1 keeps the stacks readable and the run bearable; Debug keeps Q_ASSERT on.
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DBRIVOLINE_SANITIZE=ON -DBRIVOLINE_BUILD_BENCH=OFF -DBRIVOLINE_WERROR=$werror
fi
cmake --build "$build" --parallel "$(nproc)"

suppressions=$PWD/scripts/lsan-suppressions.txt
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1
export LSAN_OPTIONS=suppressions=$suppressions:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
run() { ctest --output-on-failure --parallel "$(nproc)" --timeout 900 "$@"; }
# SANE's test backend leaks its read buffer and SANE unloads the backend on
# exit, so the leak names no library a suppression could match: the scanner
# tests run with the leak check off, every other check on.
# With arguments, the tests they choose run once, as they are.
[ $# -gt 0 ] && { run "$@"; exit; }
status=0
run -E '^ScannerTest[.]' || status=1
ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=0 run -R '^ScannerTest[.]' || status=1
exit $status
