#!/usr/bin/env bash
# Kills the program with SIGKILL at random moments of the update of a
# database of the older layout (backup, guarded blocks, pictures, compaction),
# then starts it again and checks that it finishes the update and that the
# database passes the integrity check. Each round is one run of the process
# test UpdateProcessTest with BRIVOLINE_TEST_KILL_AFTER_MS set.
#   tests/update_kill_campaign.sh [rounds] [build folder]
set -euo pipefail
rounds=${1:-20}
build=${2:-build}
test_program="$build/tests/test_startup"
[ -x "$test_program" ] || { echo "missing $test_program: build first" >&2; exit 2; }
failed=0
for ((i = 1; i <= rounds; i++)); do
    delay=$((50 + RANDOM % 3000))
    if BRIVOLINE_TEST_KILL_AFTER_MS=$delay QT_QPA_PLATFORM=offscreen \
        "$test_program" --gtest_filter='UpdateProcessTest.*' > /tmp/update_kill_round.log 2>&1; then
        echo "round $i: killed after $delay ms: ok"
    else
        echo "round $i: killed after $delay ms: FAILED"
        grep -E "Failure|Expected|Which is|Value of" /tmp/update_kill_round.log | head -20
        failed=$((failed + 1))
    fi
done
echo "$((rounds - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
