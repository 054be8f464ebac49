#!/usr/bin/env bash
# Runs every libFuzzer target for the given time, each from its corpus.
# New inputs go to a scratch copy, so the corpora kept in the repository
# stay small; inputs that found a fault land in <build directory>/findings/.
#
#   cmake --preset fuzz && cmake --build --preset fuzz
#   fuzz/run.sh [seconds per target, default 60] [build directory, default build/fuzz]
#
# The re-entrancy generator (fuzz/reentrancy) runs its programs through the
# sanitizer build instead, three at a time; the same seed gives the same
# programs. Its figures and each finding, cut down, land in <build>/reentrancy.
#
#   cmake --preset asan && cmake --build --preset asan
#   fuzz/run.sh reentrancy [seconds, default 600] [seed, default 1] [build directory, default build/asan]
#
# The roads generator (fuzz/roads) runs its programs through the default
# optimised build and the general-only one (preset general) and compares
# what they print; each difference, cut down, lands in build/roads.
#
#   cmake --preset bench && cmake --build --preset bench
#   cmake --preset general && cmake --build --preset general
#   fuzz/run.sh roads [seconds, default 60] [seed, default 1] [default build, default build/bench/morvu]
#                     [general-only build, default build/general/morvu]
set -u
cd "$(dirname "$0")/.."
if [ "${1:-}" = roads ]; then
  exec python3 fuzz/roads/drive.py --a "${4:-build/bench/morvu}" --b "${5:-build/general/morvu}" run \
    --seconds "${2:-60}" --seed "${3:-1}" --out build/roads
fi
if [ "${1:-}" = reentrancy ]; then
  build=${4:-build/asan}
  exec python3 fuzz/reentrancy/drive.py --binary "$build/morvu" run --seconds "${2:-600}" \
    --seed "${3:-1}" --workers 3 --out "$build/reentrancy"
fi
seconds=${1:-60}
build=${2:-build/fuzz}
findings="$build/findings"
mkdir -p "$findings"
status=0
for target in program number_text calendar_text saved_text_reader; do
  work=$(mktemp -d)
  if [ "$target" = saved_text_reader ]; then
    "$build/fuzz/fuzz_saved_text_seeds" "$work" >/dev/null
    seeds=()
  else
    seeds=("fuzz/corpus/$target")
    # The program target also starts from the re-entrancy programs.
    [ "$target" = program ] && seeds+=(fuzz/corpus/reentrancy)
  fi
  echo "== $target: $seconds s"
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
    -artifact_prefix="$findings/$target-" -print_final_stats=1 "$work" "${seeds[@]}" 2>&1 |
    grep -E '^(#[0-9]+ +DONE|Done|stat::|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' || true
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  rm -rf "$work"
done
exit "$status"
