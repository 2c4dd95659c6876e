#!/usr/bin/env bash
# The layer check against two small trees: the good one passes without a word, the bad one
# fails naming every offending line (and no other), and a missing folder is an error.
#   check_layers_test.sh CHECK_SCRIPT FIXTURE_FOLDER
set -uo pipefail
check=$1
fixtures=$2
failed=0

fail() {
    echo "FAILED: $*"
    failed=1
}

output=$(python3 "$check" "$fixtures/good" 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "the good tree exits $status"
[ -z "$output" ] || fail "the good tree prints: $output"

output=$(python3 "$check" "$fixtures/bad" 2>/dev/null)
status=$?
[ "$status" -eq 1 ] || fail "the bad tree exits $status"
expected=$(sed "s#^ROOT/#$fixtures/bad/#" "$fixtures/bad.expected")
if [ "$output" != "$expected" ]; then
    fail "the bad tree's report differs:"
    diff <(echo "$expected") <(echo "$output")
fi

python3 "$check" "$fixtures/missing" >/dev/null 2>&1
status=$?
[ "$status" -eq 2 ] || fail "a missing folder exits $status"

[ "$failed" -eq 0 ] && echo "check_layers: passed"
exit "$failed"
