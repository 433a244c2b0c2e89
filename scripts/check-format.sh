#!/usr/bin/env bash
# Fails when a C, C++ or Python file of the project is not laid out by the
# project's formatters (.clang-format, black at 100 columns), and prints the
# command that lays it out.
set -uo pipefail
cd "$(dirname "$0")/.."

bad=0
mapfile -t cfiles < <(git ls-files -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' 2>/dev/null)
mapfile -t pyfiles < <(git ls-files -- '*.py' 2>/dev/null)

if [ ${#cfiles[@]} -gt 0 ]; then
    mapfile -t cbad < <(for f in "${cfiles[@]}"; do
        [ -f "$f" ] || continue
        clang-format --dry-run "$f" 2>&1 | grep -q 'warning:' && echo "$f"
    done)
    if [ ${#cbad[@]} -gt 0 ]; then
        printf 'not formatted: %s\n' "${cbad[@]}"
        echo "format them with: clang-format -i ${cbad[*]}"
        bad=1
    fi
fi
if [ ${#pyfiles[@]} -gt 0 ]; then
    if ! black --check --quiet --line-length 100 "${pyfiles[@]}" 2>/dev/null; then
        black --check --line-length 100 "${pyfiles[@]}" 2>&1 | grep '^would reformat' || true
        echo "format them with: black --line-length 100 ${pyfiles[*]}"
        bad=1
    fi
fi
[ $bad = 0 ] && echo "format: ${#cfiles[@]} C/C++ and ${#pyfiles[@]} Python files laid out as the project's formatters do"
exit $bad
