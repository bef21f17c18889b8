#!/usr/bin/env bash
# Lists the C++ files that differ from what clang-format 14 makes of them
# (.clang-format at the top); exits 1 when there is any.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh checks
mapfile -t files < <(git ls-files '*.cpp' '*.h')
unformatted=()
for f in "${files[@]}"; do
  clang-format-14 --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (clang-format-14 -i <file>):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "All ${#files[@]} files are formatted."
