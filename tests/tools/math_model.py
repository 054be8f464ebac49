#!/usr/bin/env python3
"""A model of the interpreter's decimal mathematical functions.

A decimal value is a pair (mantissa, scale) of Python ints standing for
mantissa * 10**-scale. Every result of a mathematical function is the exact
value cut toward zero to the precision p, then moved to the next integer away
from zero when all its p decimals are 9; the model finds the exact value
with Python's decimal module at well over a hundred digits (its own series
for the circular functions), and takes a value within 10**-(p+60) of a cut
as lying on it, as the exact cases (roots, powers, logarithms of powers) do.
It must agree with the C++ code digit for digit, scale included, and in the
domain errors.

Input, one case per line:   <function> <precision> [<argument> ...]
Output, one line per case:  <mantissa> <scale>   or   ARITH <code> <text>

--check is accepted for compatibility; the reference is the model itself.
"""
import math
import sys
from decimal import ROUND_DOWN, Decimal, getcontext

sys.setrecursionlimit(10000)


class Arith(Exception):
    def __init__(self, code, text):
        super().__init__(text)
        self.code = code
        self.text = text


# ---- the fixed-point value -------------------------------------------------

def parse(text):
    neg = text.startswith('-')
    body = text.lstrip('+-')
    if '.' in body:
        whole, frac = body.split('.')
    else:
        whole, frac = body, ''
    m = int((whole + frac) or '0')
    return (-m if neg else m, len(frac))


def tdiv(a, b):
    """Integer quotient truncated toward zero."""
    q = abs(a) // abs(b)
    return q if (a < 0) == (b < 0) else -q


def cut(v, n):
    m, s = v
    if n >= s:
        return (m * 10 ** (n - s), n)
    return (tdiv(m, 10 ** (s - n)), n)


def align(a, b):
    s = max(a[1], b[1])
    return cut(a, s)[0], cut(b, s)[0], s


def add(a, b):
    x, y, s = align(a, b)
    return (x + y, s)


def sub(a, b):
    x, y, s = align(a, b)
    return (x - y, s)


def mul(a, b):
    return (a[0] * b[0], a[1] + b[1])


def div(a, b):
    if b[0] == 0:
        raise ZeroDivisionError('model divided by zero')
    return (tdiv(a[0], b[0]), a[1] - b[1])


def cmp(a, b):
    x, y, _ = align(a, b)
    return (x > y) - (x < y)


def is_zero(v):
    return v[0] == 0


def neg(v):
    return (-v[0], v[1])


def num(k):
    return (k, 0)


def text(v):
    """The printed form under the output precision -1."""
    m, s = v
    if m == 0:
        return '0'
    sign = '-' if m < 0 else ''
    digits = str(abs(m))
    if s <= 0:
        return sign + digits + '0' * (-s)
    if len(digits) <= s:
        whole, frac = '0', '0' * (s - len(digits)) + digits
    else:
        whole, frac = digits[:-s], digits[-s:]
    frac = frac.rstrip('0')
    return sign + whole + ('.' + frac if frac else '')


HALF = (5, 1)


class Model:
    def __init__(self, p):
        self.p = p

    def final(self, value):
        """The exact value cut toward zero to p decimals, nines moved."""
        p = self.p
        getcontext().prec = 200
        unit = Decimal(10) ** -p
        nearest = value.quantize(unit)
        if abs(value - nearest) < Decimal(10) ** -(p + 60):
            value = nearest
        m = int((value.scaleb(p)).to_integral_value(rounding=ROUND_DOWN))
        whole = 10 ** p
        if p > 0 and abs(m) % whole == whole - 1:
            return ((abs(m) // whole + 1) * (1 if m > 0 else -1), 0)
        return (m, p)

    def of(self, fn, *args):
        return self.final(reference(fn, [text(a) for a in args]))

    # ---- exponentials, logarithms, roots and powers ----

    def exp(self, x):
        return self.final(Decimal(1)) if is_zero(x) else self.of('exp', x)

    def e(self):
        return self.final(reference('e', []))

    def sqrt(self, a):
        if a[0] < 0:
            raise Arith(1, text(a))
        n = cut(a, 2 * self.p)[0]
        return self.final(Decimal(math.isqrt(n)).scaleb(-self.p))

    def check_log(self, x):
        if x[0] < 0:
            raise Arith(1, text(x))
        if x[0] == 0:
            raise Arith(0, '0.0')

    def ln(self, x):
        self.check_log(x)
        return self.of('ln', x)

    def log(self, x, b):
        self.check_log(x)
        self.check_log(b)
        if cmp(b, num(1)) == 0:
            raise Arith(0, text(b))
        return self.of('log', x, b)

    def pot(self, x, y):
        whole = y[1] == 0
        if (x[0] == 0 and y[0] <= 0) or (x[0] < 0 and not whole):
            raise Arith(1, text(x))
        if x[0] == 0:
            return (0, 0)
        if whole and y[0] >= 0:
            return (x[0] ** y[0], x[1] * y[0])
        if whole:
            m, s = x[0] ** -y[0], x[1] * -y[0]
            q = tdiv(10 ** (s + self.p), m)
            return self.final(Decimal(q).scaleb(-self.p))
        return self.of('pot', x, y)

    def root(self, x, n):
        if n[0] == 0:
            raise Arith(0, text(n))
        if x[0] < 0 or (x[0] == 0 and n[0] < 0):
            raise Arith(1, text(x))
        if x[0] == 0:
            return self.final(Decimal(0))
        return self.of('root', x, n)

    def ceil(self, x):
        if x[0] == 0 or x[1] == 0:
            return (x[0], 0)
        c = cut(x, 0)
        m = c[0]
        if x[0] > 0 and cmp(c, x) != 0:
            m += 1
        return (m, 0)

    def floor(self, x):
        if x[0] == 0 or x[1] == 0:
            return (x[0], 0)
        c = cut(x, 0)
        m = c[0]
        if x[0] < 0 and cmp(c, x) != 0:
            m -= 1
        return (m, 0)

    def round(self, x):
        if x[0] == 0 or x[1] == 0:
            return (x[0], 0)
        if x[0] < 0:
            return (-self.round(neg(x))[0], 0)
        return (cut(add(x, HALF), 0)[0], 0)

    def round_to(self, x, n):
        n = n[0]
        if x[0] == 0:
            return num(0)
        if x[1] == 0:
            return x
        if x[0] < 0:
            return neg(self.round_to(neg(x), num(n)))
        return cut(add(x, (5, n + 1)), n)

    # ---- trigonometric ----

    def pi(self):
        return self.final(reference('pi', []))

    def sin(self, x):
        return self.of('sin', x)

    def cos(self, x):
        return self.of('cos', x)

    def tan(self, x):
        return self.of('tan', x)

    def cot(self, x):
        if x[0] == 0:
            raise Arith(0, text(x))
        return self.of('cot', x)

    def unit_interval(self, x):
        if cmp(x, num(-1)) < 0 or cmp(x, num(1)) > 0:
            raise Arith(1, text(x))

    def arcsin(self, x):
        self.unit_interval(x)
        return self.of('arcsin', x)

    def arccos(self, x):
        self.unit_interval(x)
        return self.of('arccos', x)

    def arctan(self, x):
        return self.of('arctan', x)

    def arccot(self, x):
        return self.of('arccot', x)

    def sinh(self, x):
        return self.of('sinh', x)

    def cosh(self, x):
        return self.of('cosh', x)

    def tanh(self, x):
        return self.of('tanh', x)

    def coth(self, x):
        if x[0] == 0:
            raise Arith(0, text(x))
        return self.of('coth', x)

    def arsinh(self, x):
        return self.of('arsinh', x)

    def arcosh(self, x):
        if cmp(x, num(1)) < 0:
            raise Arith(1, text(x))
        return self.of('arcosh', x)

    def pole_at_one(self, x):
        if cmp(x, num(1)) == 0 or cmp(x, num(-1)) == 0:
            raise Arith(0, text(x))

    def artanh(self, x):
        self.unit_interval(x)
        self.pole_at_one(x)
        return self.of('artanh', x)

    def arcoth(self, x):
        if cmp(x, num(-1)) > 0 and cmp(x, num(1)) < 0:
            raise Arith(1, text(x))
        self.pole_at_one(x)
        return self.of('arcoth', x)


# ---- an independent reference for --check ----------------------------------

def ref_series_sin(x, cosine):
    getcontext().prec = 120
    pi = ref_pi()
    x = x % (2 * pi)
    term = Decimal(1) if cosine else x
    total, k = term, (0 if cosine else 1)
    while True:
        term = -term * x * x / ((k + 1) * (k + 2))
        k += 2
        if abs(term) < Decimal(10) ** -110:
            return total
        total += term


def ref_pi():
    getcontext().prec = 120
    # Machin's formula
    def atan_inv(n):
        total, term, k, sign = Decimal(0), Decimal(1) / n, 1, 1
        while term > Decimal(10) ** -115:
            total += sign * term / k
            term /= n * n
            k += 2
            sign = -sign
        return total
    return 4 * (4 * atan_inv(5) - atan_inv(239))


def ref_atan(x):
    getcontext().prec = 120
    if x < 0:
        return -ref_atan(-x)
    if x > 1:
        return ref_pi() / 2 - ref_atan(1 / x)
    if x > Decimal('0.4'):
        # halve the angle until the series converges quickly
        return 2 * ref_atan(x / (1 + (1 + x * x).sqrt()))
    total, term, k = Decimal(0), x, 1
    while abs(term) > Decimal(10) ** -115:
        total += term / k
        term = -term * x * x
        k += 2
    return total


def reference(fn, args):
    getcontext().prec = 120
    xs = [Decimal(a) for a in args]
    x = xs[0] if xs else None
    one = Decimal(1)
    table = {
        'exp': lambda: x.exp(), 'e': lambda: one.exp(), 'sqrt': lambda: x.sqrt(),
        'ln': lambda: x.ln(), 'log': lambda: x.ln() / xs[1].ln(),
        'pot': lambda: x ** xs[1], 'root': lambda: x ** (one / xs[1]),
        'pi': ref_pi, 'sin': lambda: ref_series_sin(x, False),
        'cos': lambda: ref_series_sin(x, True),
        'tan': lambda: ref_series_sin(x, False) / ref_series_sin(x, True),
        'cot': lambda: ref_series_sin(x, True) / ref_series_sin(x, False),
        'arctan': lambda: ref_atan(x), 'arccot': lambda: ref_pi() / 2 - ref_atan(x),
        'arcsin': lambda: ref_atan(x / (one - x * x).sqrt()) if abs(x) < 1 else x * ref_pi() / 2,
        'arccos': lambda: ref_pi() / 2 - (ref_atan(x / (one - x * x).sqrt()) if abs(x) < 1 else x * ref_pi() / 2),
        'sinh': lambda: (x.exp() - (-x).exp()) / 2, 'cosh': lambda: (x.exp() + (-x).exp()) / 2,
        'tanh': lambda: (x.exp() - (-x).exp()) / (x.exp() + (-x).exp()),
        'coth': lambda: (x.exp() + (-x).exp()) / (x.exp() - (-x).exp()),
        'arsinh': lambda: (x + (x * x + 1).sqrt()).ln(), 'arcosh': lambda: (x + (x * x - 1).sqrt()).ln(),
        'artanh': lambda: ((1 + x) / (1 - x)).ln() / 2, 'arcoth': lambda: ((x + 1) / (x - 1)).ln() / 2,
    }
    f = table.get(fn)
    return f() if f else None


def run_case(fn, p, args):
    m = Model(p)
    vals = [parse(a) for a in args]
    return getattr(m, fn)(*vals)


def main():
    for line in sys.stdin:
        parts = line.split()
        if not parts:
            continue
        fn, p, args = parts[0], int(parts[1]), parts[2:]
        try:
            v = run_case(fn, p, args)
        except Arith as a:
            print(f'ARITH {a.code} {a.text}')
            continue
        print(f'{v[0]} {v[1]}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
