#!/usr/bin/env bash
# Analysis and run time must grow linearly with a program's size. Generates
# programs of N and 2N lines (statements in one block) and of N and 2N nested
# blocks, times each with the release binary, and prints the ratio of the two
# times: about 2 is linear, about 4 quadratic.
#
# Usage: bench/scale.sh [N]      (from the project root; N defaults to 50000)
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-50000}
cmake --workflow --preset run >/dev/null
morvu=build/release/morvu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

lines() {  # $1 statements: x += 1, one a line
  { echo "int x = 0"; awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) print "x += 1" }'; echo "outl(x)"; } > "$work/lines$1.mrv"
}
nested() {  # $1 nested if blocks around one output
  { echo "int x = 1"
    for ((i = 0; i < $1; i++)); do printf 'if(true, {'; done
    printf 'x += 1'
    for ((i = 0; i < $1; i++)); do printf '})'; done
    echo; echo "outl(x)"; } > "$work/nested$1.mrv"
}
seconds() { local s e; s=$(date +%s.%N); "$morvu" "$1" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }

for kind in lines nested; do
  m=$n; [ "$kind" = nested ] && m=$((n / 5))
  "$kind" "$m"; "$kind" $((2 * m))
  a=$(seconds "$work/$kind$m.mrv"); b=$(seconds "$work/$kind$((2 * m)).mrv")
  printf '%-7s %7d: %6.3f s   %7d: %6.3f s   ratio %.2f\n' "$kind" "$m" "$a" $((2 * m)) "$b" "$(echo "$b / $a" | bc -l)"
done
