#!/usr/bin/env bash
# Times the Morvu workloads of bench/workloads/ beside the same programs in
# other languages (bench/peers/<workload>.<extension>) and prints each
# peer's time beside morvu's, with their ratio (above 1: morvu is slower).
# Every program's output is checked against bench/peers/expected.md5 before
# it is timed. Compare ratios from one run only: the machines are shared
# and noisy.
#
# Usage: bench/compare.sh [-i] [-r RUNS] [WORKLOAD...]
#   -i       first install the peers' interpreters that are missing (apt-get)
#   -r RUNS  runs of each program, the fastest counts (default 3)
# Builds the release binary first. Without workloads, every workload that
# has a peer. A peer whose interpreter is not installed is skipped, and the
# script says so.
set -euo pipefail
cd "$(dirname "$0")/.."
peers=bench/peers
runs=3
install=false
while [ $# -gt 0 ]; do
  case "$1" in
    -i) install=true; shift ;;
    -r) runs=$2; shift 2 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done

# The interpreter of each extension, and the Debian package that brings it.
declare -A command_of=([py]=python3 [pl]=perl [js]=node [awk]=gawk [lua]=lua5.4 [rb]=ruby [bc]=bc)
declare -A package_of=([py]=python3 [pl]=perl [js]=nodejs [awk]=gawk [lua]=lua5.4 [rb]=ruby [bc]=bc)

if $install; then
  wanted=()
  for extension in "${!command_of[@]}"; do
    command -v "${command_of[$extension]}" >/dev/null || wanted+=("${package_of[$extension]}")
  done
  if [ ${#wanted[@]} -gt 0 ]; then
    apt-get update -qq && apt-get install -y -qq "${wanted[@]}" >/dev/null
  fi
fi

workloads=("$@")
if [ ${#workloads[@]} -eq 0 ]; then
  for f in bench/workloads/*.mrv; do
    w=$(basename "${f%.mrv}")
    compgen -G "$peers/$w.*" >/dev/null && workloads+=("$w")
  done
fi

# run_peer FILE: runs one peer program with its interpreter.
run_peer() {
  local file=$1
  case "${file##*.}" in
    py) python3 "$file" ;;
    pl) perl "$file" ;;
    js) node "$file" ;;
    awk) gawk -f "$file" ;;
    lua) lua5.4 "$file" ;;
    rb) ruby "$file" ;;
    bc) BC_LINE_LENGTH=0 bc -lq "$file" ;;
  esac
}
run_morvu() { build/release/morvu "$1"; }

# fastest RUNNER FILE: the fastest of $runs wall-clock times, in seconds.
fastest() {
  local best="" t
  for ((i = 0; i < runs; i++)); do
    t=$( { TIMEFORMAT=%R; time "$1" "$2" >/dev/null 2>&1; } 2>&1 )
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

# right RUNNER FILE WORKLOAD: whether the program prints the expected output.
right() {
  local want got
  want=$(awk -v w="$3" '$1 == w { print $2 }' "$peers/expected.md5")
  got=$("$1" "$2" 2>/dev/null | md5sum | cut -d' ' -f1)
  [ -n "$want" ] && [ "$got" = "$want" ]
}

cmake --workflow --preset run >/dev/null
rows=()
for w in "${workloads[@]}"; do
  if [ ! -f "bench/workloads/$w.mrv" ]; then
    echo "no workload bench/workloads/$w.mrv" >&2
    exit 2
  fi
  if ! right run_morvu "bench/workloads/$w.mrv" "$w"; then
    echo "$w: morvu prints a wrong output; not timed" >&2
    continue
  fi
  morvu_time=$(fastest run_morvu "bench/workloads/$w.mrv")
  for file in "$peers/$w".*; do
    extension=${file##*.}
    [ -n "${command_of[$extension]:-}" ] || continue
    if ! command -v "${command_of[$extension]}" >/dev/null; then
      echo "skipped $file: ${command_of[$extension]} is not installed (bench/compare.sh -i installs it)" >&2
      continue
    fi
    if ! right run_peer "$file" "$w"; then
      rows+=("| $w | $extension | wrong output | $morvu_time | |")
      continue
    fi
    peer_time=$(fastest run_peer "$file")
    ratio=$(awk -v m="$morvu_time" -v p="$peer_time" 'BEGIN { if (p > 0) printf "%.2f", m / p }')
    rows+=("| $w | $extension | $peer_time | $morvu_time | $ratio |")
  done
done

echo "| workload | peer | peer s | morvu s | morvu / peer |"
echo "|---|---|---:|---:|---:|"
printf '%s\n' "${rows[@]}"
