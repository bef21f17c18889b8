#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over every translation unit of
# src/ in a build folder's compile database; exits 1 when any check reports.
# Usage: scripts/clang-tidy.sh [build folder] [file regex]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh checks
build=${1:-build}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: build first (scripts/build.sh)" >&2; exit 1; }
root=$PWD
# Generated sources (moc, resources) are left out; the files they come from are in.
filter=${2:-"^$root/src/.*\.cpp$"}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
run-clang-tidy-14 -quiet -p "$build" -j "$(nproc)" "$filter" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >"$log" || true
# clang 14 does not yet take every C++20 form GCC takes (parenthesised
# aggregate initialisation): those files are named, not counted as findings.
if grep -q '\[clang-diagnostic-error\]' "$log"; then
  echo "clang 14 could not read all of these (checked as far as it could):"
  grep '\[clang-diagnostic-error\]' "$log" | sort -u | sed 's/^/  /'
fi
findings=$(grep -E ': (warning|error): .*\[[a-z]+-[a-z-]+(,[a-z-]+)*\]$' "$log" | grep -v '\[clang-diagnostic-' | sort -u || true)
if [ -n "$findings" ]; then
  echo "$findings"
  echo "clang-tidy: $(echo "$findings" | wc -l) reports (.clang-tidy lists the checks)"
  exit 1
fi
echo "clang-tidy: no report"
