#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over the core and the command-line
# program, and fails on any finding. Usage: scripts/lint.sh [FILE-REGEX]
#   FILE-REGEX narrows the files checked (default: every source of the core and src/cli).
# The compilation database comes from a build folder of its own (build-lint), configured
# without the desktop program, the tests or the benchmarks; nothing is compiled.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

jobs=${LINT_JOBS:-2}
filter=${1:-"$root/src/(platform|html|model|engine|schedule|archive|reports|cli)/.*\.cpp$"}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)

cmake -S . -B build-lint -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DQUARLO_BUILD_GUI=OFF -DQUARLO_BUILD_BENCH=OFF -DQUARLO_BUILD_TESTS=OFF \
    -DQUARLO_BUILD_FUZZ=OFF >/dev/null

# The files in the database that the filter picks.
mapfile -t files < <(python3 - "$root/build-lint/compile_commands.json" "$filter" <<'PY'
import json, re, sys
pattern = re.compile(sys.argv[2])
seen = set()
for entry in json.load(open(sys.argv[1])):
    name = entry["file"]
    if pattern.search(name) and name not in seen:
        seen.add(name)
        print(name)
PY
)
if [ "${#files[@]}" -eq 0 ]; then
    echo "lint: no source file matches $filter" >&2
    exit 2
fi
echo "lint: clang-tidy on ${#files[@]} files, $jobs at a time"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\0' "${files[@]}" |
    xargs -0 -n 1 -P "$jobs" "$tidy" -p build-lint --quiet >"$log" 2>&1 || status=$?
# Findings are errors (WarningsAsErrors in .clang-tidy); show them without the noise of
# the per-file "N warnings generated" lines.
grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^Error while processing' "$log" || true
findings=$(grep -c -E '(warning|error): ' "$log" || true)
if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
    echo "lint: $findings finding(s); clang-tidy exit status $status" >&2
    exit 1
fi
echo "lint: clean"
