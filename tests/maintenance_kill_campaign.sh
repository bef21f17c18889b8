#!/usr/bin/env bash
# Kills a backup, a compaction and a restore (the backup and the restore
# also encrypted) with SIGKILL at random moments
# (half after a random delay, half at a random report of their progress),
# starts the real program again after each kill, and checks that it starts
# cleanly and that the records are whole, as before or as after the
# operation. One run of the test KillCampaign with BRIVOLINE_KILL_ROUNDS set.
#   tests/maintenance_kill_campaign.sh [kills per operation, 50] [build folder]
set -euo pipefail
rounds=${1:-50}
build=${2:-build}
test_program="$build/tests/test_maintenance"
[ -x "$test_program" ] || { echo "missing $test_program: build first" >&2; exit 2; }
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
BRIVOLINE_KILL_ROUNDS=$rounds QT_QPA_PLATFORM=offscreen \
    "$test_program" --gtest_filter='KillCampaign.*' > "$log" 2>&1 || status=$?
grep -E "runs \(" "$log"
if [ "$status" -ne 0 ]; then
    grep -v "propagateSizeHints" "$log" | grep -A12 "Failure"
    echo "FAILED"
else
    echo "all passed"
fi
exit "$status"
