#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over every translation unit of
# src/, tests/ and bench/ in a build folder's compile database; exits 1 when
# any check reports. Usage: scripts/clang-tidy.sh [build folder] [file regex]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh checks
build=${1:-build}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: build first (scripts/build.sh)" >&2; exit 1; }
root=$PWD
# Generated sources (moc, resources) are left out; the files they come from are in.
filter=${2:-"^$root/(src|tests|bench)/.*\.cpp$"}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
run-clang-tidy-14 -quiet -p "$build" -j "$(nproc)" "$filter" >"$log" 2>&1 || true
if grep -E ': (warning|error): ' "$log" >/dev/null; then
  grep -E -A3 ': (warning|error): ' "$log" | grep -v '^--$' | awk '!seen[$0]++'
  echo "clang-tidy: $(grep -cE ': (warning|error): ' "$log") reports (.clang-tidy lists the checks)"
  exit 1
fi
echo "clang-tidy: no report"
