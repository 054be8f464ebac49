#!/usr/bin/env bash
# Analysis and run time must grow linearly with a program's size. Generates
# programs of a size and of twice that size, times each with the release
# binary, and prints the ratio of the two times: about 2 is linear, about 4
# quadratic. The kinds:
#   lines     N statements in one block
#   nested    N/5 nested blocks
#   decls     N declared variables, each then assigned
#   routines  N functions, each then called
#   types     N/5 user types, a variable of each
#   included  N/2 variables and N/2 functions in a file included plainly and
#             as a module, each used through the module
#
# Usage: bench/scale.sh [N]      (from the project root; N defaults to 50000)
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-50000}
cmake --workflow --preset run >/dev/null
morvu=$PWD/build/release/morvu
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
decls() {  # $1 variables, declared, then each assigned
  awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) print "int v" i
                         for (i = 0; i < n; i++) print "v" i " = " i
                         print "outl(v7)" }' > "$work/decls$1.mrv"
}
routines() {  # $1 functions, defined, then each called
  awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) print "func f" i "(int r) { r = " i " }"
                         print "int x"
                         for (i = 0; i < n; i++) print "x += f" i "()"
                         print "outl(x)" }' > "$work/routines$1.mrv"
}
types() {  # $1 user types, defined, then a variable of each
  awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) print "bigtype T" i " { int x; proc p { x = " i " } }"
                         for (i = 0; i < n; i++) print "T" i " t" i
                         print "t7.p()"; print "outl(t7.x)" }' > "$work/types$1.mrv"
}
included() {  # $1 definitions in a file needed twice, used through the module
  awk -v n="$1" 'BEGIN { for (i = 0; i < n; i += 2) { print "int v" i; print "func f" i "(int r) { r = " i " }" } }' \
    > "$work/lib$1.inc"
  { echo "need m(\"lib$1.inc\")"; echo "need \"lib$1.inc\""
    awk -v n="$1" 'BEGIN { for (i = 0; i < n; i += 2) print "m::v" i " = m::f" i "()" }'
    echo "outl(m::v6)"; } > "$work/included$1.mrv"
}
seconds() { local s e; s=$(date +%s.%N); (cd "$work" && "$morvu" "$1" >/dev/null); e=$(date +%s.%N); echo "$e - $s" | bc; }

for kind in lines nested decls routines types included; do
  m=$n
  case $kind in nested | types) m=$((n / 5)) ;; esac
  "$kind" "$m"; "$kind" $((2 * m))
  a=$(seconds "$kind$m.mrv"); b=$(seconds "$kind$((2 * m)).mrv")
  printf '%-8s %7d: %6.3f s   %7d: %6.3f s   ratio %.2f\n' "$kind" "$m" "$a" $((2 * m)) "$b" "$(echo "$b / $a" | bc -l)"
done
