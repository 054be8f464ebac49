#!/usr/bin/env bash
# Measures one performance step: times a base morvu binary, the current one
# and each workload's fastest peer in one hyperfine run per workload (their
# runs alternate, so load on a shared machine falls on all of them alike),
# and reads each one's max RSS once. Prints a markdown table with the
# medians, the ratios to the peer and the RSS figures.
#
# Usage: bench/steps.sh [-r RUNS] BASE [NEW] [WORKLOAD...]
#   BASE      the morvu binary before the step (e.g. a copy kept aside)
#   NEW       the binary after it (default build/release/morvu)
#   WORKLOAD  loop fibrec str hash sort fact fib calls_mixed (default: all)
#   -r RUNS   timed runs per command after two warm-ups (default 10)
# Environment: PEERS, the folder of the peer programs (default bench/peers);
# a peer whose program or interpreter is missing is left out of its row.
# fact and fib are held against their C programs on GMP (W.gmp.c in PEERS,
# built with gcc -lgmp) when those build, else against Python.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=10
if [ "${1:-}" = -r ]; then
  runs=$2
  shift 2
fi
[ $# -ge 1 ] || { sed -n '2,15p' "$0"; exit 2; }
base=$(realpath "$1")
shift
new=build/release/morvu
if [ $# -ge 1 ] && [ -x "$1" ] && [ -f "$1" ]; then
  new=$1
  shift
fi
new=$(realpath "$new")
peers=$(realpath "${PEERS:-bench/peers}")
workloads=("$@")
[ ${#workloads[@]} -gt 0 ] || workloads=(loop fibrec str hash sort fact fib calls_mixed)
command -v hyperfine >/dev/null || { echo "hyperfine is not installed" >&2; exit 2; }

# The program of a workload, and the peer it is held against.
program_of() {
  if [ -f "bench/workloads/$1.mrv" ]; then echo "bench/workloads/$1.mrv"; else echo "bench/$1.mrv"; fi
}
peer_of() {
  case $1 in
    loop | fibrec) echo "lua5.4 $peers/$1.lua" ;;
    str) echo "perl $peers/$1.pl" ;;
    hash) echo "tclsh $peers/$1.tcl" ;;
    sort) echo "ruby $peers/$1.rb" ;;
    fact | fib)
      # The C program on GMP, built once per run.
      if [ -f "$peers/$1.gmp.c" ] && gcc -O2 -o "$scratch/$1" "$peers/$1.gmp.c" -lgmp 2>/dev/null; then
        echo "$scratch/$1 $scratch/$1"
      else
        echo "python3 $peers/$1.py"
      fi ;;
    calls_mixed) echo "python3 bench/calls_mixed.py" ;;
  esac
}
# Max RSS in MB of one run of a command.
rss_of() {
  local kb
  kb=$({ /usr/bin/time -f %M sh -c "$1 >/dev/null" 2>&1 >/dev/null; } | tail -1)
  awk -v k="$kb" 'BEGIN { printf "%.0f", k / 1024 }'
}

echo "| workload | peer | peer s | base s | new s | base / peer | new / peer | RSS MB peer / base / new |"
echo "|---|---|---:|---:|---:|---:|---:|---:|"
scratch=$(mktemp -d)
json=$scratch/times.json
trap 'rm -rf "$scratch"' EXIT
for w in "${workloads[@]}"; do
  program=$(program_of "$w")
  peer=$(peer_of "$w")
  set -- "$base $program" "$new $program"
  peer_file=${peer##* }
  if [ -n "$peer" ] && [ -f "$peer_file" ] && command -v "${peer%% *}" >/dev/null; then
    # A C program takes no argument: its path stands twice to fit the form.
    [ "${peer%% *}" = "$peer_file" ] && peer=$peer_file
    set -- "$@" "$peer"
  else
    peer=""
  fi
  hyperfine -N -w 2 -r "$runs" --export-json "$json" "$@" >/dev/null 2>&1
  read -r base_s new_s peer_s < <(python3 -c '
import json, sys
r = [x["median"] for x in json.load(open(sys.argv[1]))["results"]]
print(*(f"{t:.3f}" for t in r), "-" if len(r) < 3 else "")' "$json")
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
  peer_name=$(basename "${peer%% *}")
  [ "$peer_name" = "$w" ] && peer_name=C-GMP
  peer_rss=-
  [ -n "$peer" ] && peer_rss=$(rss_of "$peer")
  echo "| $w | ${peer_name:--} | $peer_s | $base_s | $new_s | $(ratio "$base_s" "$peer_s") | $(ratio "$new_s" "$peer_s") | $peer_rss / $(rss_of "$base $program") / $(rss_of "$new $program") |"
done
