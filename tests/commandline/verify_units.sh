#!/usr/bin/env bash
# The systemd user units of the nightly backup, as the documentation gives
# them, checked by systemd itself; their ExecStart pointed at the built
# program, which must exist for systemd to accept them.
# Usage: verify_units.sh <build folder> <source folder>
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
command -v systemd-analyze >/dev/null || { echo "systemd-analyze absent : test sauté"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/run"
for unit in "$source"/docs/systemd/*.service "$source"/docs/systemd/*.timer; do
    sed "s#/usr/bin/brivoline#$build/brivoline#" "$unit" > "$scratch/$(basename "$unit")"
done
grep -q -- "--rotation" "$scratch"/*.service || { echo "ÉCHEC : le service ne fait pas de rotation" >&2; exit 1; }
# Warnings (an unknown key, a bad time) fail too.
XDG_RUNTIME_DIR="$scratch/run" systemd-analyze --user --man=no verify "$scratch"/*.timer "$scratch"/*.service \
    > "$scratch/verdict" 2>&1 || { cat "$scratch/verdict" >&2; exit 1; }
if [ -s "$scratch/verdict" ]; then cat "$scratch/verdict" >&2; exit 1; fi
echo "systemd-analyze verify : aucune remarque"
