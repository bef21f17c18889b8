#!/usr/bin/env bash
# Configures (once) and builds the program, its tests and benchmarks into build/
# (or into $BRIVOLINE_BUILD_DIR). With CI set, compiler warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BRIVOLINE_BUILD_DIR:-build}
werror=OFF
[ -n "${CI:-}" ] && werror=ON
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIVOLINE_WERROR=$werror
elif ! grep -qx "BRIVOLINE_WERROR:BOOL=$werror" "$build/CMakeCache.txt"; then
  # A folder configured the other way round is switched, never used as it is.
  cmake -B "$build" -DBRIVOLINE_WERROR=$werror
fi
cmake --build "$build" --parallel "$(nproc)"
