#!/usr/bin/env bash
# Runs every program of this folder (NAME.mrv beside NAME.py) against its
# Python program, side by side in one hyperfine run, after checking that
# both print exactly the same output. Prints per program the median times,
# the ratio morvu/Python and both peak memories (max RSS from /usr/bin/time).
# A line above the table gives each interpreter's start-up time, the median
# of 20 runs of `$PYTHON -c pass` and of morvu on an empty program, so that a
# slow wrapper in front of an interpreter shows at once.
#
# Usage: bench/programs/run.sh [-r RUNS] [-b BASE_MORVU] [MORVU] [PROGRAM...]
#   MORVU        the morvu binary (default: $MORVU, else build/release/morvu)
#   -b BASE      a second morvu binary (an older build) timed in the same
#                run, so that one run shows the ratios before and after
#   -r RUNS      timed runs of each command after one warm-up (default 5)
#   PROGRAM      program names without extension (default: all)
# Environment: PYTHON (default /usr/bin/python3). Programs run in a scratch
# directory, so the files they write vanish afterwards.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=5
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
command -v hyperfine >/dev/null || { echo "hyperfine is not installed" >&2; exit 1; }
[ -x "$morvu" ] || { echo "no morvu binary at $morvu" >&2; exit 1; }
morvu=$(cd "$(dirname "$morvu")" && pwd)/$(basename "$morvu")
if [ -n "$base" ]; then base=$(cd "$(dirname "$base")" && pwd)/$(basename "$base"); fi
py=${PYTHON:-/usr/bin/python3}

programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  for f in "$here"/*.mrv; do
    name=$(basename "$f" .mrv)
    [ -e "$here/$name.py" ] && programs+=("$name")
  done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Peak resident size in MiB of one run of the command.
peak() {
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1 || true
  echo $(( $(tail -1 "$work/rss") / 1024 ))
}

# Start-up times: the median of 20 runs of each interpreter doing nothing.
: > "$work/empty.mrv"
starts=("$morvu $work/empty.mrv" "$py -c pass")
[ -n "$base" ] && starts+=("$base $work/empty.mrv")
hyperfine -N --style none --warmup 3 --runs 20 --export-json "$work/start.json" -- "${starts[@]}" \
  >/dev/null 2>>"$work/hyperfine.log"
read -r s_morvu s_py s_base < <("$py" - "$work/start.json" <<'PY'
import json, sys
print(" ".join("%.1f" % (r["median"] * 1000) for r in json.load(open(sys.argv[1]))["results"]))
PY
)
line="start-up (median of 20 runs): morvu $s_morvu ms, python $s_py ms"
[ -n "$base" ] && line+=", base $s_base ms"
echo "$line"
echo

if [ -n "$base" ]; then
  echo "| program | base s | morvu s | python s | base/py | morvu/py | base MiB | morvu MiB | python MiB |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
else
  echo "| program | morvu s | python s | morvu/py | morvu MiB | python MiB |"
  echo "|---|---:|---:|---:|---:|---:|"
fi
status=0
for name in "${programs[@]}"; do
  mrv=$here/$name.mrv
  pyf=$here/$name.py
  [ -e "$mrv" ] && [ -e "$pyf" ] || { echo "| $name | missing $name.mrv or $name.py |"; status=1; continue; }
  "$py" "$pyf" > "$work/expected" 2>&1 || true
  "$morvu" "$mrv" > "$work/got" 2>&1 || true
  if ! cmp -s "$work/expected" "$work/got"; then
    echo "| $name | output differs from Python's |"
    diff "$work/expected" "$work/got" | head -5 | sed 's/^/    /'
    status=1
    continue
  fi
  cmds=("$morvu $mrv" "$py $pyf")
  if [ -n "$base" ]; then
    "$base" "$mrv" > "$work/got" 2>&1 || true
    cmp -s "$work/expected" "$work/got" || echo "    (the base binary prints another output for $name)"
    cmds+=("$base $mrv")
  fi
  hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$work/times.json" -- "${cmds[@]}" \
    >/dev/null 2>>"$work/hyperfine.log"
  read -r t_morvu t_py t_base < <("$py" - "$work/times.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
print(" ".join("%.3f" % r["median"] for r in results))
PY
)
  m_morvu=$(peak "$morvu" "$mrv")
  m_py=$(peak "$py" "$pyf")
  if [ -n "$base" ]; then
    m_base=$(peak "$base" "$mrv")
    printf '| %s | %s | %s | %s | %.2f | %.2f | %s | %s | %s |\n' "$name" "$t_base" "$t_morvu" "$t_py" \
      "$(echo "$t_base / $t_py" | bc -l)" "$(echo "$t_morvu / $t_py" | bc -l)" "$m_base" "$m_morvu" "$m_py"
  else
    printf '| %s | %s | %s | %.2f | %s | %s |\n' "$name" "$t_morvu" "$t_py" "$(echo "$t_morvu / $t_py" | bc -l)" \
      "$m_morvu" "$m_py"
  fi
done
exit $status
