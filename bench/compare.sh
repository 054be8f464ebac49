#!/usr/bin/env bash
# Times the Morvu workloads beside the same programs in the peer languages,
# in one run, and prints each peer's time as a ratio to morvu's (above 1:
# morvu is slower). Compare ratios from one run only: the machines are shared
# and noisy.
#
# Usage: bench/compare.sh [-i] [WORKLOAD...]     (from the project root)
#   -i  first install hyperfine and the peers (apt)
# Builds the release binary first. The peers' programs, their expected output
# and the runner live in ../shared/bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runner=${PEER_RUNNER:-$root/../shared/bench/run-peers.sh}
install=()
if [ "${1:-}" = -i ]; then install=(-i); shift; fi
workloads=("$@")
if [ ${#workloads[@]} -eq 0 ]; then
  # Only the workloads the peers also run (list_index has no peer).
  known=$(dirname "$runner")/peers/expected.md5
  for f in bench/workloads/*.mrv; do
    w=$(basename "${f%.mrv}")
    awk -v w="$w" '$1 == w { found = 1 } END { exit !found }' "$known" && workloads+=("$w")
  done
fi

cmake --workflow --preset run >/dev/null
table=$(mktemp)
MORVU=$root/build/release/morvu MORVU_PROGRAMS=$root/bench/workloads \
  "$runner" "${install[@]}" -o "$table" "${workloads[@]}" >/dev/null
cat "$table"
echo
echo "| workload | peer | peer s | morvu s | morvu / peer |"
echo "|---|---|---:|---:|---:|"
awk -F'|' 'NR > 2 {
    w = $2; p = $3; t = $4; gsub(/ /, "", w); gsub(/ /, "", p); gsub(/ /, "", t)
    if (t == "wrongoutput") { wrong[w "|" p] = 1; next }
    if (p == "morvu") m[w] = t; else { peers[w] = peers[w] " " p; time[w "|" p] = t }
  }
  END {
    for (w in peers) {
      n = split(peers[w], list, " ")
      for (i = 1; i <= n; i++) {
        p = list[i]
        if (m[w] == "" || time[w "|" p] + 0 == 0) continue
        printf "| %s | %s | %.3f | %.3f | %.2f |\n", w, p, time[w "|" p], m[w], m[w] / time[w "|" p]
      }
    }
  }' "$table" | sort
rm -f "$table"
