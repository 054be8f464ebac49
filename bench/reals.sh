#!/usr/bin/env bash
# Times every mathematical method of real at long precisions beside Python's
# decimal module and mpmath computing the same digits, and prints a table of
# the times and of morvu's time over the faster peer's (above 1: morvu is
# slower). Each call runs in a fresh process, so that cached constants (pi,
# ln 2) are computed in every timing, by morvu and by mpmath alike; a
# process times its one call from the inside, start-up left out. The
# fastest of the runs counts. The digits that morvu prints are checked
# against mpmath's; a wrong result is marked in the table.
#
# Usage: bench/reals.sh [-r RUNS] [-p "P1 P2 ..."] [-l] [METHOD...]
#   -r RUNS  runs of each call, the fastest counts (default 3)
#   -p LIST  working precisions (default "1000 5000 10000")
#   -l       long results only: powers and exponentials of 30,000 to
#            100,000 digits at the precision 8
#   MORVU    the interpreter (default build/release/morvu)
# Without methods, every method is timed.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=3
precisions="1000 5000 10000"
long_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    -r) runs=$2; shift 2 ;;
    -p) precisions=$2; shift 2 ;;
    -l) long_only=1; shift ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
export MORVU=${MORVU:-build/release/morvu} RUNS=$runs PRECISIONS=$precisions LONG_ONLY=$long_only
[ -x "$MORVU" ] || { echo "no interpreter at $MORVU (build the release preset first)" >&2; exit 2; }
python3 -c "import mpmath" 2>/dev/null || { echo "mpmath is missing: apt-get install python3-mpmath" >&2; exit 2; }

exec python3 - "$@" <<'PYTHON'
import os, subprocess, sys, tempfile
from decimal import Decimal, localcontext, ROUND_DOWN

if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)

MORVU = os.environ["MORVU"]
RUNS = int(os.environ["RUNS"])
PRECISIONS = [int(p) for p in os.environ["PRECISIONS"].split()]
LONG_ONLY = os.environ["LONG_ONLY"] == "1"

# method, receiver, argument (or None)
CALLS = [
    ("sqrt", "3.0", None), ("exp", "1.5", None), ("ln", "3.0", None), ("ld", "3.0", None),
    ("lg", "3.0", None), ("log", "3.0", "7.0"), ("pot", "3.0", "0.5"), ("pot", "1.5", "2.7"),
    ("crt", "2.0", None), ("root", "10.0", "7.0"),
    ("sin", "1.0", None), ("cos", "1.0", None), ("tan", "1.0", None), ("cot", "1.0", None),
    ("sin", "100.5", None), ("arcsin", "0.5", None), ("arccos", "0.5", None), ("arctan", "0.5", None),
    ("arccot", "0.5", None), ("arcsin", "0.9", None), ("arctan", "3.0", None),
    ("sinh", "1.0", None), ("cosh", "1.0", None), ("tanh", "1.0", None), ("coth", "1.0", None),
    ("arsinh", "1.0", None), ("arcosh", "2.0", None), ("artanh", "0.5", None), ("arcoth", "2.0", None),
    ("pi", "0.0", None), ("e", "0.0", None),
]
LONG_CALLS = [
    ("pot", "1.41421356", "200000.0"), ("pot", "1.41421356", "200000.real()"), ("pot", "0.7", "300000.0"),
    ("pot", "2.0", "300000.5"), ("exp", "200000.5", None), ("sinh", "100000.0", None),
]

wanted = set(sys.argv[1:])
if LONG_ONLY:
    cases = [(8, c) for c in LONG_CALLS]
else:
    cases = [(p, c) for p in PRECISIONS for c in CALLS]
if wanted:
    cases = [(p, c) for p, c in cases if c[0] in wanted]

MP = {
    "sqrt": "mpmath.sqrt(x)", "exp": "mpmath.exp(x)", "ln": "mpmath.log(x)", "ld": "mpmath.log(x, 2)",
    "lg": "mpmath.log10(x)", "log": "mpmath.log(x, y)", "pot": "mpmath.power(x, y)", "crt": "mpmath.cbrt(x)",
    "root": "mpmath.root(x, int(y))", "sin": "mpmath.sin(x)", "cos": "mpmath.cos(x)", "tan": "mpmath.tan(x)",
    "cot": "mpmath.cot(x)", "arcsin": "mpmath.asin(x)", "arccos": "mpmath.acos(x)", "arctan": "mpmath.atan(x)",
    "arccot": "mpmath.acot(x)", "sinh": "mpmath.sinh(x)", "cosh": "mpmath.cosh(x)", "tanh": "mpmath.tanh(x)",
    "coth": "mpmath.coth(x)", "arsinh": "mpmath.asinh(x)", "arcosh": "mpmath.acosh(x)",
    "artanh": "mpmath.atanh(x)", "arcoth": "mpmath.acoth(x)", "pi": "+mpmath.pi", "e": "+mpmath.e",
}
DEC = {
    "sqrt": "x.sqrt()", "exp": "x.exp()", "ln": "x.ln()", "ld": "x.ln() / Decimal(2).ln()", "lg": "x.log10()",
    "log": "x.ln() / y.ln()", "pot": "x ** y", "crt": "x ** (Decimal(1) / 3)", "root": "x ** (1 / y)",
}


def number(text):
    """A peer's form of an argument: a whole exponent written as a morvu int made real."""
    return text.replace(".real()", "") if text else text


def size_digits(name, x, y):
    """Digits before the point of the value, so that the peers keep p decimals."""
    import mpmath
    mpmath.mp.dps = 30
    value = eval(MP[name], {"mpmath": mpmath, "x": mpmath.mpf(x), "y": mpmath.mpf(number(y)) if y else None})
    return max(0, int(mpmath.floor(mpmath.log10(abs(value)))) + 1) if value != 0 else 0


def time_peer(kind, name, x, y, digits, limit):
    """The peer's fastest time, or None when it takes longer than limit seconds."""
    y = number(y)
    if kind == "mpmath":
        setup = f"import mpmath\nmpmath.mp.dps = {digits}\nx = mpmath.mpf('{x}')\n"
        setup += f"y = mpmath.mpf('{y}')\n" if y else ""
        expression = MP[name]
    else:
        setup = f"from decimal import Decimal, getcontext\ngetcontext().prec = {digits}\nx = Decimal('{x}')\n"
        setup += f"y = Decimal('{y}')\n" if y else ""
        expression = DEC[name]
    program = setup + f"import time\nt = time.perf_counter()\nv = {expression}\nprint(time.perf_counter() - t)\n"
    best = None
    for _ in range(RUNS):
        try:
            out = subprocess.run([sys.executable, "-c", program], capture_output=True, text=True, check=True,
                                 timeout=limit).stdout
        except subprocess.TimeoutExpired:
            return best
        t = float(out.split()[-1])
        best = t if best is None or t < best else best
    return best


def time_morvu(p, name, x, y):
    receiver = f"({x})" if x.startswith("-") else x
    call = f"{receiver}.{name}({y if y else ''})"
    program = (f"real r\nr.set_prec({p})\nset_realtime()\nreal v = {call}\nreal t = get_realtime()\n"
               f"outl(v)\nr.set_prec(6)\nr.set_out_prec(6)\noutl(t)\n")
    best, text = None, ""
    with tempfile.NamedTemporaryFile("w", suffix=".mrv", delete=False) as f:
        f.write(program)
        path = f.name
    try:
        for _ in range(RUNS):
            out = subprocess.run([MORVU, path], capture_output=True, text=True, timeout=3600).stdout.split("\n")
            text, t = out[0], float(out[1])
            best = t if best is None or t < best else best
    finally:
        os.unlink(path)
    return best, text


def right_digits(p, name, x, y, text, digits):
    """Whether morvu's digits agree with mpmath's to within a unit of the p-th decimal."""
    y = number(y)
    import mpmath
    mpmath.mp.dps = digits + 20
    value = eval(MP[name], {"mpmath": mpmath, "x": mpmath.mpf(x), "y": mpmath.mpf(y) if y else None})
    with localcontext() as context:
        context.prec = digits + 40
        exact = Decimal(mpmath.nstr(value, digits + 15, strip_zeros=False, min_fixed=-mpmath.inf,
                                    max_fixed=mpmath.inf))
        return abs(Decimal(text) - exact) <= Decimal(10) ** -p


rows = []
worst = 0.0
for p, (name, x, y) in cases:
    digits = p + size_digits(name, x, y)
    morvu, text = time_morvu(p, name, x, y)
    # a peer that needs more than a hundred times morvu's time is not waited for
    limit = max(10.0, 100 * morvu)
    mp = time_peer("mpmath", name, x, y, digits, limit)
    dec = time_peer("decimal", name, x, y, digits, limit) if name in DEC else None
    times = [t for t in (mp, dec) if t is not None]
    best = min(times) if times else limit
    ratio = morvu / best if best > 0 else float("inf")
    worst = max(worst, ratio)
    ok = right_digits(p, name, x, y, text, digits)
    call = f"{x}.{name}({y or ''})"
    def shown(t, timed):
        return "" if not timed else f"> {limit:.0f}" if t is None else f"{t:.4f}"
    rows.append(f"| {p} | {call} | {morvu:.4f} | {shown(dec, name in DEC)} | {shown(mp, True)} | "
                f"{ratio:.2f}{'' if ok else ' WRONG'} |")
    print(rows[-1], file=sys.stderr, flush=True)

print("| p | call | morvu s | decimal s | mpmath s | morvu / faster |")
print("|---:|---|---:|---:|---:|---:|")
print("\n".join(rows))
print(f"largest ratio: {worst:.2f}")
PYTHON
