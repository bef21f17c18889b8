#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
cd "${BRIVOLINE_BUILD_DIR:-build}"
exec ctest --output-on-failure --parallel "$(nproc)" --timeout 300
