#!/usr/bin/env python3
"""A step-for-step model of the interpreter's decimal mathematical functions.

A decimal value is a pair (mantissa, scale) of Python ints standing for
mantissa * 10**-scale. Every cut truncates toward zero, exactly as the C++
code does, so the model must agree with it digit for digit, scale included.
The model follows the iterations literally (Newton's square root included);
the C++ side takes shortcuts that must give the same values.

Input, one case per line:   <function> <precision> [<argument> ...]
Output, one line per case:  <mantissa> <scale>   or   ARITH <code> <text>

With --check the model also compares itself with an independent reference
(Python's decimal module at a much higher precision) and reports values that
stray further than the truncation error the algorithms can accumulate.
"""
import sys
from decimal import Decimal, getcontext

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

    # quotient of two computed values: dividend at 2p, divisor at p
    def quot(self, a, b):
        return div(cut(a, 2 * self.p), cut(b, self.p))

    # ---- exponentials, logarithms, roots and powers ----

    def exp(self, x):
        p = self.p
        if cmp(x, num(0)) < 0:
            e = self.exp(neg(x))
            return div(cut(num(1), 2 * p), e)
        total, term, f, k = num(1), num(1), 1, 1
        while True:
            term = cut(mul(term, x), p)
            f *= k
            q = div(term, num(f))
            if is_zero(q):
                return total
            total = add(total, q)
            k += 1

    def e(self):
        return self.exp(num(1))

    def sqrt(self, a):
        p = self.p
        if cmp(a, num(0)) < 0:
            raise Arith(1, text(a))
        if is_zero(a):
            return num(0)
        x = a
        seen = []
        while True:
            t = cut(add(a, mul(x, x)), 2 * p)
            d = cut(mul(num(2), x), p)
            if is_zero(d):
                raise Arith(0, text(a))
            t = div(t, d)
            if cmp(t, x) == 0:
                return x
            if seen and cmp(t, seen[-1]) == 0:
                # endless alternation between two neighbours: settle on the lower
                return t if cmp(t, x) < 0 else x
            seen.append(x)
            x = t

    def ln(self, x):
        p = self.p
        if cmp(x, num(0)) < 0:
            raise Arith(1, text(x))
        if is_zero(x):
            raise Arith(0, '0.0')
        E = self.exp(num(1))
        I = div(cut(num(1), 2 * p), E)
        if cmp(x, I) < 0:
            y, k = x, 0
            while True:
                y = cut(mul(y, E), p)
                k += 1
                if is_zero(y):
                    raise Arith(0, text(x))
                if not cmp(y, I) < 0:
                    break
            return sub(self.ln(y), num(k))
        if cmp(x, E) > 0:
            y, k = x, 0
            while True:
                y = cut(mul(y, I), p)
                k += 1
                if not cmp(y, E) > 0:
                    break
            return add(self.ln(y), num(k))
        u = sub(x, num(1))
        v = add(u, num(2))
        U = mul(u, u)
        V = mul(v, v)
        v = cut(v, p)
        y = div(cut(u, 2 * p), v)
        total = y
        numer, den, n = u, v, 3
        while True:
            numer = cut(mul(numer, U), 2 * p)
            den = cut(mul(den, V), p)
            q = div(div(numer, den), num(n))
            if is_zero(q):
                break
            total = add(total, q)
            n += 2
        return mul(total, num(2))

    def pot(self, x, y):
        p = self.p
        if (is_zero(x) and cmp(y, num(0)) <= 0) or (cmp(x, num(0)) < 0 and y[1] != 0):
            raise Arith(1, text(x))
        if is_zero(x):
            return num(0)
        if y[1] == 0 and y[0] >= 0:
            return (x[0] ** y[0], x[1] * y[0])
        if y[1] == 0:
            r = (x[0] ** -y[0], x[1] * -y[0])
            r = cut(r, p)
            if is_zero(r):
                raise Arith(0, text(x))
            return cut(div(cut(num(1), 2 * p), r), p)
        return self.exp(mul(y, self.ln(x)))

    def log(self, x, b):
        p = self.p
        a = cut(self.ln(x), 2 * p)
        c = cut(self.ln(b), p)
        if is_zero(c):
            raise Arith(0, text(b))
        return div(a, c)

    def root(self, x, n):
        p = self.p
        d = cut(n, p)
        if is_zero(d):
            raise Arith(0, text(n))
        return self.pot(x, div(cut(num(1), 2 * p), d))

    # ---- rounding ----

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
        return cut(mul(self.arcsin(HALF), num(6)), self.p)

    def reduce(self, x):
        p = self.p
        y0 = cut(x, 2 * p)
        w = mul(self.pi(), num(2))
        if is_zero(w):
            raise Arith(0, text(x))
        k = cut(div(y0, w), 0)
        return sub(x, mul(k, w))

    def sin(self, x):
        p = self.p
        y = self.reduce(x)
        s, t, a, b, d = y, y, 2, -3, 1
        yy = mul(y, y)
        while True:
            t = cut(mul(t, yy), p)
            d = d * b * a
            q = div(t, num(d))
            a += 2
            b -= 2
            if is_zero(q):
                return s
            s = add(s, q)

    def cos(self, x):
        p = self.p
        y = self.reduce(x)
        s, t, a, b, d = num(1), num(1), 1, -2, 1
        yy = mul(y, y)
        while True:
            t = cut(mul(t, yy), p)
            d = d * b * a
            q = div(t, num(d))
            a += 2
            b -= 2
            if is_zero(q):
                return s
            s = add(s, q)

    def _doubled(self, first, second, x, pole_code):
        p = self.p
        self.p = 2 * p
        try:
            s = first(x)
        finally:
            self.p = p
        c = second(x)
        if is_zero(c):
            raise Arith(pole_code, text(x))
        # the dividend keeps p decimals more than the divisor has
        if s[1] < p + c[1]:
            s = cut(s, p + c[1])
        return div(s, c)

    def tan(self, x):
        return self._doubled(self.sin, self.cos, x, 0)

    def cot(self, x):
        return self._doubled(self.cos, self.sin, x, 0)

    def arcsin(self, x):
        p = self.p
        if cmp(x, num(-1)) < 0 or cmp(x, num(1)) > 0:
            raise Arith(1, text(x))
        if cmp(x, num(0)) < 0:
            return neg(self.arcsin(neg(x)))
        if cmp(x, HALF) > 0:
            s = self.arcsin(HALF)
            d = cut(mul(x, self.sqrt(num(3))), p)
            e = cut(sub(num(1), mul(x, x)), p)
            r = self.sqrt(e)
            g = mul(HALF, sub(d, r))
            s = add(s, self.arcsin(g))
            return cut(s, p)
        s, t, c, n = x, x, 1, 3
        xx = mul(x, x)
        while True:
            t = cut(mul(t, mul(num(n - 2), xx)), p)
            c *= n - 1
            q = div(t, num(c * n))
            n += 2
            if is_zero(q):
                break
            s = add(s, q)
        return cut(s, p)

    def arccos(self, x):
        p = self.p
        if cmp(x, num(-1)) < 0 or cmp(x, num(1)) > 0:
            raise Arith(1, text(x))
        h = cut(mul(HALF, self.pi()), p)
        return sub(h, self.arcsin(x))

    def arctan(self, x):
        p = self.p
        if cmp(x, num(0)) < 0:
            return neg(self.arctan(neg(x)))
        if cmp(x, HALF) > 0:
            a = cut(x, p)
            if is_zero(a):
                raise Arith(0, text(x))
            u = cut(add(mul(a, a), num(1)), p)
            r = self.sqrt(u)
            v = cut(sub(r, num(1)), 2 * p)
            v = div(v, a)
            return mul(num(2), self.arctan(v))
        s, t, n = x, x, 3
        xx = mul(num(-1), mul(x, x))
        while True:
            t = cut(mul(t, xx), p)
            q = div(t, num(n))
            n += 2
            if is_zero(q):
                return s
            s = add(s, q)

    def arccot(self, x):
        h = mul(self.pi(), HALF)
        return sub(h, self.arctan(x))

    # ---- hyperbolic ----

    def sinh(self, x):
        p = self.p
        s, t, f, n = x, x, 1, 3
        xx = mul(x, x)
        while True:
            t = cut(mul(t, xx), p)
            f *= n
            n -= 1
            f *= n
            q = div(t, num(f))
            if is_zero(q):
                return s
            s = add(s, q)
            n += 3

    def cosh(self, x):
        p = self.p
        s, t, f, n = num(1), num(1), 1, 2
        xx = mul(x, x)
        while True:
            t = cut(mul(t, xx), p)
            f *= n
            n -= 1
            f *= n
            q = div(t, num(f))
            if is_zero(q):
                return s
            s = add(s, q)
            n += 3

    def tanh(self, x):
        return self._doubled(self.sinh, self.cosh, x, 0)

    def coth(self, x):
        if is_zero(x):
            raise Arith(0, text(x))
        return self._doubled(self.cosh, self.sinh, x, 0)

    def arsinh(self, x):
        r = self.sqrt(add(mul(x, x), num(1)))
        return self.ln(add(x, r))

    def arcosh(self, x):
        if cmp(x, num(1)) < 0:
            raise Arith(1, text(x))
        r = self.sqrt(sub(mul(x, x), num(1)))
        return self.ln(add(x, r))

    def artanh(self, x):
        p = self.p
        if cmp(x, num(-1)) < 0 or cmp(x, num(1)) > 0:
            raise Arith(1, text(x))
        if cmp(x, num(-1)) == 0 or cmp(x, num(1)) == 0:
            raise Arith(0, text(x))
        a = cut(add(x, num(1)), 2 * p)
        b = cut(add(neg(x), num(1)), p)
        if is_zero(b):
            raise Arith(0, text(x))
        return mul(HALF, self.ln(div(a, b)))

    def arcoth(self, x):
        p = self.p
        if cmp(x, num(-1)) > 0 and cmp(x, num(1)) < 0:
            raise Arith(1, text(x))
        if cmp(x, num(-1)) == 0 or cmp(x, num(1)) == 0:
            raise Arith(0, text(x))
        a = cut(add(x, num(1)), 2 * p)
        b = cut(sub(x, num(1)), p)
        if is_zero(b):
            raise Arith(0, text(x))
        return mul(HALF, self.ln(div(a, b)))


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


def condition(args):
    """How much the truncations of the algorithms may be magnified: large
    arguments carry long integer parts, arguments near 0 and near 1 are
    divided by in the reductions and the logarithms' quotients."""
    factor = Decimal(1)
    for a in args:
        a = abs(Decimal(a))
        factor += a
        if a != 0:
            factor += 1 / a
        if a != 1:
            factor += 1 / abs(1 - a)
    return factor


def run_case(fn, p, args):
    m = Model(p)
    vals = [parse(a) for a in args]
    return getattr(m, fn)(*vals)


def main():
    check = '--check' in sys.argv
    bad = 0
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
        if check and p >= 6:
            r = reference(fn, args)
            if r is None:
                continue
            got = Decimal(v[0]).scaleb(-v[1])
            # The algorithms truncate every term; allow for the accumulated
            # loss, which grows with the size of the result and its argument.
            if fn in ('tan', 'cot') and abs(r) > 1000:
                continue  # next to a pole: any truncation moves the value a long way
            tol = Decimal(10) ** -(p - 4) * (1 + abs(r)) * condition(args)
            if abs(got - r) > tol:
                bad += 1
                print(f'# off: {fn} {p} {args} model {got} reference {+r}', file=sys.stderr)
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
