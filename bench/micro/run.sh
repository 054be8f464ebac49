#!/usr/bin/env bash
# Times the micro-benchmarks of this folder: each NAME.mrv repeats one
# operation 10^6 times (1000 passes of 1000 steps) and its twin NAME.py does
# the same in Python. After checking that both print the same output, it
# times them side by side in one hyperfine run, takes the fastest run of
# each (the machines are shared, and load only ever adds time), subtracts
# each interpreter's time for empty_loop (the same loop with nothing in it,
# start-up included) and prints the cost of one operation in nanoseconds,
# with the ratio morvu/Python (above 1: morvu is slower). Differences of a
# few ns are noise.
#
# Usage: bench/micro/run.sh [-r RUNS] [-b BASE_MORVU] [MORVU] [NAME...]
#   MORVU        the morvu binary (default: $MORVU, else build/release/morvu)
#   -b BASE      a second morvu binary (an older build) timed in the same
#                run, with its own columns
#   -r RUNS      timed runs of each command after one warm-up (default 10)
#   NAME         benchmark names without extension (default: all)
# Environment: PYTHON (default /usr/bin/python3).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=10
base=
while getopts r:b: opt; do
  case $opt in
    r) runs=$OPTARG ;;
    b) base=$OPTARG ;;
    *) sed -n '2,17p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
morvu=${MORVU:-$root/build/release/morvu}
if [ $# -gt 0 ] && [ -x "$1" ] && [ ! -d "$1" ]; then morvu=$1; shift; fi
command -v hyperfine >/dev/null || { echo "hyperfine is not installed (apt-get install hyperfine)" >&2; exit 1; }
[ -x "$morvu" ] || { echo "no morvu binary at $morvu" >&2; exit 1; }
morvu=$(cd "$(dirname "$morvu")" && pwd)/$(basename "$morvu")
if [ -n "$base" ]; then
  [ -x "$base" ] || { echo "no morvu binary at $base" >&2; exit 1; }
  base=$(cd "$(dirname "$base")" && pwd)/$(basename "$base")
fi
py=${PYTHON:-/usr/bin/python3}

# The rows in an order that puts each benchmark beside the one it is
# compared with; a pair added later and not named here comes at the end.
order=(call_1_param call_4_params method_call member_int
       member_list_index local_list_index member_list_get local_list_get
       list_get ref_list_get graph_get list_in_loop switch_text)
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for name in "${order[@]}"; do
    [ -e "$here/$name.mrv" ] && names+=("$name")
  done
  for f in "$here"/*.mrv; do
    name=$(basename "$f" .mrv)
    case " empty_loop ${order[*]} " in *" $name "*) continue ;; esac
    names+=("$name")
  done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# same NAME: whether every interpreter prints what Python prints.
same() {
  "$py" "$here/$1.py" > "$work/expected" 2>&1 || true
  "$morvu" "$here/$1.mrv" > "$work/got" 2>&1 || true
  if ! cmp -s "$work/expected" "$work/got"; then
    diff "$work/expected" "$work/got" | head -5 | sed 's/^/    /' >&2
    return 1
  fi
  if [ -n "$base" ]; then
    "$base" "$here/$1.mrv" > "$work/got" 2>&1 || true
    cmp -s "$work/expected" "$work/got" || { echo "    the base binary prints another output for $1" >&2; return 1; }
  fi
}

# fastest NAME: the fastest seconds of morvu, Python and the base binary.
fastest() {
  local cmds=("$morvu $here/$1.mrv" "$py $here/$1.py")
  [ -n "$base" ] && cmds+=("$base $here/$1.mrv")
  hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$work/times.json" -- "${cmds[@]}" \
    >/dev/null 2>>"$work/hyperfine.log"
  "$py" - "$work/times.json" <<'PY'
import json, sys
print(" ".join("%.6f" % r["min"] for r in json.load(open(sys.argv[1]))["results"]))
PY
}

# Nanoseconds per operation from a time and the empty loop's, both in s.
per_op() { awk -v t="$1" -v e="$2" 'BEGIN { printf "%.1f", (t - e) * 1e9 / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b >= 0.5) printf "%.2f", a / b; else printf "-" }'; }

same empty_loop || { echo "empty_loop prints another output than empty_loop.py" >&2; exit 1; }
read -r e_morvu e_py e_base < <(fastest empty_loop)
ms() { awk -v t="$1" 'BEGIN { printf "%.1f ms", t * 1000 }'; }
line="empty loop, start-up included: morvu $(ms "$e_morvu"), python $(ms "$e_py")"
[ -n "$base" ] && line+=", base $(ms "$e_base")"
echo "$line"
echo

if [ -n "$base" ]; then
  echo "| operation | base ns/op | morvu ns/op | python ns/op | base ratio | ratio |"
  echo "|---|---:|---:|---:|---:|---:|"
else
  echo "| operation | morvu ns/op | python ns/op | ratio |"
  echo "|---|---:|---:|---:|"
fi
status=0
for name in "${names[@]}"; do
  [ -e "$here/$name.mrv" ] && [ -e "$here/$name.py" ] || { echo "| $name | missing $name.mrv or $name.py |"; status=1; continue; }
  label=$(sed -n '1s/^# *//p' "$here/$name.mrv")
  if ! same "$name"; then
    echo "| $label | output differs from Python's |"
    status=1
    continue
  fi
  read -r t_morvu t_py t_base < <(fastest "$name")
  n_morvu=$(per_op "$t_morvu" "$e_morvu")
  n_py=$(per_op "$t_py" "$e_py")
  if [ -n "$base" ]; then
    n_base=$(per_op "$t_base" "$e_base")
    echo "| $label | $n_base | $n_morvu | $n_py | $(ratio "$n_base" "$n_py") | $(ratio "$n_morvu" "$n_py") |"
  else
    echo "| $label | $n_morvu | $n_py | $(ratio "$n_morvu" "$n_py") |"
  fi
done
exit $status
