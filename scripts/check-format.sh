#!/usr/bin/env bash
# Lists the C++ files that differ from what clang-format 14 makes of them
# (.clang-format at the top); exits 1 when there is any.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh checks
mapfile -t files < <(git ls-files '*.cpp' '*.h')
# A file per report line "<file>:<line>:<column>: warning: code should be
# clang-formatted", on every core.
mapfile -t unformatted < <(printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -n 25 clang-format-14 --dry-run 2>&1 |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (clang-format-14 -i <file>):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "All ${#files[@]} files are formatted."
