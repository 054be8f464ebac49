#!/usr/bin/env bash
# Runs every input of every fuzz corpus once through its target, so that a
# fault once found stays found. Exit status 0 when all of them pass. The
# programs of the re-entrancy generator go through the program target.
#
#   fuzz/replay.sh [build directory, default build/fuzz]
set -u
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
status=0
for name in program number_text calendar_text saved_text_reader reentrancy; do
  target=$name
  [ "$name" = reentrancy ] && target=program
  corpus="fuzz/corpus/$name"
  work=""
  if [ "$target" = saved_text_reader ]; then
    work=$(mktemp -d)
    "$build/fuzz/fuzz_saved_text_seeds" "$work" >/dev/null
    corpus="$work"
  fi
  log=$(mktemp)
  if "$build/fuzz/fuzz_$target" -runs=0 -timeout=60 "$corpus" >"$log" 2>&1; then
    echo "fuzz replay $name: $(grep -c . <(ls "$corpus")) inputs passed"
  else
    echo "fuzz replay $name: FAILED"
    tail -n 30 "$log"
    status=1
  fi
  rm -f "$log"
  [ -n "$work" ] && rm -rf "$work"
done
exit "$status"
