#!/usr/bin/env python3
"""The digits of every mathematical method of real against mpmath.

Runs one Morvu program through the interpreter that prints each method at
about thirty points (near 0, near the edges of the domain, large arguments,
exact cases) at the working precisions 8, 20 and 50, and compares every line
with the exact value cut the way the methods cut: toward zero to p decimals,
then to the next integer away from zero when all p decimals are 9. An
argument outside the domain must be refused.

The exact value comes from mpmath at p + 60 significant digits beyond the
value's own size; a value within 10**-(p+40) of a cut is taken as lying on
it (the exact cases: roots, powers and logarithms that are decimals). When
this Python cannot import mpmath the program runs itself again under
/usr/bin/python3 if that one can; failing that it checks exp, ln, lg, sqrt
and pot alone with the decimal module.

Usage: real_digits_oracle.py <morvu binary>     exit status 0 when all agree
"""

import os
import subprocess
import sys
import tempfile
from decimal import ROUND_DOWN, Decimal, getcontext, localcontext

try:
    import mpmath
except ImportError:
    mpmath = None

if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)

PRECISIONS = (8, 20, 50)

SMALL = ["0.0", "0.00005", "-0.00005", "0.001", "0.1", "-0.3", "0.5", "0.999", "1.0", "-1.0"]
MIDDLE = ["1.5", "2.0", "-2.5", "3.0", "3.1415926535", "10.0", "25.0", "-7.25", "0.7853981634"]
LARGE = ["100.0", "1000.0", "-1000.0", "12345.678", "1000000.5", "-31415.9265", "123456789.123456789"]
POINTS = SMALL + MIDDLE + LARGE + ["1.00000000000000000001", "0.99999999999999999999", "27.0", "0.001953125"]

UNARY = ["sqrt", "sin", "cos", "tan", "cot", "exp", "ln", "ld", "lg", "crt", "sinh", "cosh", "tanh", "coth",
         "arcsin", "arccos", "arctan", "arccot", "arsinh", "arcosh", "artanh", "arcoth"]

# Arguments whose value has more digits than a test should print.
TOO_LARGE = {"exp": 2000, "sinh": 2000, "cosh": 2000}

BINARY = {
    "pot": [("2.0", "10.0"), ("2.0", "30.0"), ("2.0", "0.5"), ("2.0", "-0.5"), ("9.0", "1.5"), ("0.25", "-1.5"),
            ("10.0", "-3.0"), ("1.5", "2.5"), ("0.001", "0.333"), ("7.0", "0.0"), ("0.0", "2.5"), ("0.0", "-1.0"),
            ("-2.0", "2.0"), ("1.0000001", "1000000.0"), ("123.456", "7.89"), ("0.5", "100.5"),
            ("6.25", "0.5"), ("3.0", "-2.0"), ("12345.678", "2.5"), ("2.0", "-100.5")],
    "log": [("16.0", "2.0"), ("2.0", "16.0"), ("8.0", "4.0"), ("1000.0", "10.0"), ("0.001", "10.0"),
            ("1.0", "3.0"), ("3.0", "1.0"), ("0.0", "2.0"), ("2.0", "-2.0"), ("5.0", "0.5"), ("7.0", "1.0001"),
            ("123456789.0", "2.5"), ("0.25", "0.5"), ("27.0", "9.0"), ("2.0", "3.0")],
    "root": [("27.0", "3.0"), ("0.001", "3.0"), ("16.0", "4.0"), ("16.0", "-2.0"), ("2.0", "0.5"), ("10.0", "7.0"),
             ("8.0", "0.0"), ("-8.0", "3.0"), ("0.0", "2.0"), ("0.0", "-2.0"), ("1024.0", "10.0"),
             ("2.0", "2.5"), ("1000000.5", "12.0"), ("0.5", "3.0"), ("32.0", "1.25")],
}

# Long precisions, one case or two for each way a long result is computed:
# series over the chunks of a long argument (a reduced sine, the arctangent
# of a root's ratio, the logarithm of a long sum), exact short series, exact
# roots, whole powers kept to the result's digits, split powers, and results
# of tens of thousands of digits.
LONG = [
    ("sin", 1500, "1.0", None), ("cos", 1500, "100.5", None), ("tan", 1200, "2.5", None),
    ("cot", 1200, "-7.25", None), ("exp", 1500, "1.5", None), ("exp", 1200, "-12.345678901234567890123", None),
    ("ln", 1500, "3.0", None), ("ln", 1200, "123456.78901234567890123456789", None), ("lg", 1200, "7.0", None),
    ("arcsin", 1500, "0.5", None), ("arcsin", 1200, "0.9", None), ("arccos", 1200, "-0.3", None),
    ("arctan", 1500, "3.0", None), ("arctan", 1200, "0.123456789012345678901234567890123456789", None),
    ("arccot", 1200, "0.5", None), ("sinh", 1200, "3.7", None), ("tanh", 1200, "0.001", None),
    ("arsinh", 1200, "1.0", None), ("arcosh", 1200, "2.0", None), ("artanh", 1200, "0.5", None),
    ("arcoth", 1200, "2.0", None), ("sqrt", 3000, "3.0", None), ("crt", 2000, "2.0", None),
    ("pi", 3000, "0.0", None), ("e", 3000, "0.0", None),
    ("root", 2000, "10.0", "7.0"), ("root", 1200, "0.001953125", "-9.0"), ("pot", 2000, "3.0", "0.5"),
    ("pot", 1200, "0.25", "-1.5"), ("pot", 1200, "1.5", "2.7"), ("pot", 1200, "2.0", "3000.5"),
    ("pot", 1200, "7.0", "-1000.5"), ("pot", 1200, "1.0001", "-100000.0"), ("pot", 1200, "0.7", "3000.0"),
    ("pot", 8, "1.41421356", "200000.0"), ("pot", 8, "1.41421356", "200000.real()"),
    ("pot", 8, "0.7", "300000.0"), ("pot", 8, "-1.5", "7001.real()"), ("pot", 8, "2.0", "60000.5"),
    ("log", 1200, "3.0", "7.0"),
]

# What the decimal module computes when mpmath is missing.
DECIMAL_ONLY = {"exp", "ln", "lg", "sqrt", "pot"}


def number(text):
    """An argument as a number: a whole exponent of scale 0 is written as an int made real."""
    return text.replace(".real()", "") if text else text


def outside_domain(name, x, y=None):
    whole_exponent = y is not None and y.endswith(".real()")  # scale 0: a negative base is allowed
    x = Decimal(x)
    y = Decimal(number(y)) if y is not None else None
    return {
        "sqrt": x < 0, "crt": x < 0, "ln": x <= 0, "ld": x <= 0, "lg": x <= 0, "cot": x == 0, "coth": x == 0,
        "arcsin": abs(x) > 1, "arccos": abs(x) > 1, "arcosh": x < 1, "artanh": abs(x) >= 1, "arcoth": abs(x) <= 1,
        # every other exponent written here has decimals
        "pot": (x == 0 and y is not None and y <= 0) or (x < 0 and not whole_exponent),
        "log": x <= 0 or (y is not None and (y <= 0 or y == 1)),
        "root": (y == 0) or x < 0 or (x == 0 and y is not None and y < 0),
    }.get(name, False)


def exact_mpmath(name, x, y, digits):
    mp = mpmath.mp
    mp.dps = digits
    f = mpmath.mpf
    x = f(x)
    y = f(number(y)) if y is not None else None
    table = {
        "sqrt": lambda: mpmath.sqrt(x), "crt": lambda: mpmath.cbrt(x), "sin": lambda: mpmath.sin(x),
        "cos": lambda: mpmath.cos(x), "tan": lambda: mpmath.tan(x), "cot": lambda: mpmath.cot(x),
        "exp": lambda: mpmath.exp(x), "ln": lambda: mpmath.log(x), "ld": lambda: mpmath.log(x, 2),
        "lg": lambda: mpmath.log10(x), "sinh": lambda: mpmath.sinh(x), "cosh": lambda: mpmath.cosh(x),
        "tanh": lambda: mpmath.tanh(x), "coth": lambda: mpmath.coth(x), "arcsin": lambda: mpmath.asin(x),
        "arccos": lambda: mpmath.acos(x), "arctan": lambda: mpmath.atan(x),
        "arccot": lambda: mpmath.pi / 2 - mpmath.atan(x), "arsinh": lambda: mpmath.asinh(x),
        "arcosh": lambda: mpmath.acosh(x), "artanh": lambda: mpmath.atanh(x), "arcoth": lambda: mpmath.acoth(x),
        "pot": lambda: mpmath.power(x, y), "log": lambda: mpmath.log(x) / mpmath.log(y),
        "root": lambda: mpmath.power(x, 1 / y), "pi": lambda: +mpmath.pi, "e": lambda: +mpmath.e,
    }
    return Decimal(mpmath.nstr(table[name](), digits, strip_zeros=False, min_fixed=-mpmath.inf,
                               max_fixed=mpmath.inf))


def exact_decimal(name, x, y, digits):
    with localcontext() as context:
        context.prec = digits
        x = Decimal(x)
        y = number(y)
        return {"exp": lambda: x.exp(), "ln": lambda: x.ln(), "lg": lambda: x.log10(), "sqrt": lambda: x.sqrt(),
                "pot": lambda: x ** Decimal(y)}[name]()


def magnitude(name, x, y):
    """Digits before the point of the value, roughly, to size the precision."""
    try:
        rough = exact_mpmath(name, x, y, 30) if mpmath else exact_decimal(name, x, y, 30)
    except Exception:
        return 0
    return max(0, rough.adjusted() + 1) if rough != 0 else 0


def expected(name, p, x, y=None):
    if outside_domain(name, x, y):
        return "ERR"
    digits = p + 60 + magnitude(name, x, y)
    value = exact_mpmath(name, x, y, digits) if mpmath else exact_decimal(name, x, y, digits)
    getcontext().prec = digits + 10
    unit = Decimal(10) ** -p
    nearest = value.quantize(unit)
    if abs(value - nearest) < Decimal(10) ** -(p + 40):
        value = nearest
    cut = value.quantize(unit, rounding=ROUND_DOWN)
    mantissa = int(cut.scaleb(p))
    whole = 10 ** p
    if abs(mantissa) % whole == whole - 1:
        mantissa = (abs(mantissa) // whole + 1) * whole * (1 if mantissa > 0 else -1)
    return printed(mantissa, p)


def printed(mantissa, p):
    """A real as outl prints it: decimals up to the last non-zero one."""
    if mantissa == 0:
        return "0"
    digits = str(abs(mantissa)).rjust(p + 1, "0")
    whole, decimals = digits[:-p], digits[-p:].rstrip("0")
    return ("-" if mantissa < 0 else "") + whole + ("." + decimals if decimals else "")


def literal(text):
    return "(" + text + ")" if text.startswith("-") else text


def cases():
    """(name, precision, x, y) for every method and point that is checked."""
    for p in PRECISIONS:
        for name in UNARY:
            if mpmath is None and name not in DECIMAL_ONLY:
                continue
            for x in POINTS:
                if name in TOO_LARGE and Decimal(x) > TOO_LARGE[name]:
                    continue
                yield name, p, x, None
        for name, pairs in BINARY.items():
            if mpmath is None and name not in DECIMAL_ONLY:
                continue
            for x, y in pairs:
                yield name, p, x, y
        if mpmath is not None:
            yield "pi", p, "0.0", None
            yield "e", p, "0.0", None
    for name, p, x, y in LONG:
        if mpmath is not None or name in DECIMAL_ONLY:
            yield name, p, x, y


def program(all_cases):
    lines = ["real r", "any e"]
    for name, p, x, y in all_cases:
        lines.append(f"r.set_prec({p})")
        argument = "" if y is None else literal(y)
        lines.append(f"outl({literal(x)}.{name}({argument}))")
        lines.append('catch(e, {outl("ERR")})')
    return "\n".join(lines) + "\n"


def rerun_under_system_python():
    """Runs this file under /usr/bin/python3 when that one has mpmath."""
    system = "/usr/bin/python3"
    if os.path.realpath(sys.executable) == os.path.realpath(system) or not os.path.exists(system):
        return None
    if subprocess.run([system, "-c", "import mpmath"], capture_output=True).returncode != 0:
        return None
    return subprocess.run([system, __file__] + sys.argv[1:]).returncode


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    if mpmath is None:
        status = rerun_under_system_python()
        if status is not None:
            return status
        print("mpmath is missing: exp, ln, lg, sqrt and pot checked with the decimal module")
    all_cases = list(cases())
    with tempfile.TemporaryDirectory() as directory:
        path = os.path.join(directory, "digits.mrv")
        with open(path, "w") as source:
            source.write(program(all_cases))
        run = subprocess.run([sys.argv[1], path], capture_output=True, text=True, timeout=600)
    got = run.stdout.splitlines()
    if len(got) != len(all_cases):
        print(f"{len(got)} lines for {len(all_cases)} cases:\n{run.stdout[-2000:]}")
        return 1
    wrong = 0
    for (name, p, x, y), line in zip(all_cases, got):
        want = expected(name, p, x, y)
        if line != want:
            wrong += 1
            if wrong <= 30:
                call = f"{x}.{name}({'' if y is None else y})"
                print(f"precision {p}: {call} gives {line}, the true digits are {want}")
    print(f"{len(all_cases)} cases, {wrong} wrong")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
