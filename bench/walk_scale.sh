#!/usr/bin/env bash
# The for/For walks over a list, a hash and a text must take time linear in
# the size walked. Runs bench/walks.mrv with n and 2n elements on the release
# binary and prints both times and their ratio: about 2 is linear.
#
# Usage: bench/walk_scale.sh [N]      (from the project root; N defaults to 10^6)
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-1000000}
cmake --workflow --preset run >/dev/null
morvu=build/release/morvu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() { local s e; s=$(date +%s.%N); "$morvu" "$1" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
for m in "$n" $((2 * n)); do
  sed "s/^int n = 1000000\$/int n = $m/" bench/walks.mrv > "$work/walks$m.mrv"
done
a=$(seconds "$work/walks$n.mrv"); b=$(seconds "$work/walks$((2 * n)).mrv")
printf 'walks %8d: %6.3f s   %8d: %6.3f s   ratio %.2f\n' "$n" "$a" $((2 * n)) "$b" "$(echo "$b / $a" | bc -l)"
