#!/usr/bin/env python3
"""Reference results for the differential test of INT_DATA and REAL_DATA.

Writes one case per line, tokens separated by blanks, computed with Python's
int and decimal modules from operands drawn with a fixed seed, so that a
failing case reproduces. Line kinds:

  I a b sum difference product quotient remainder less equal
  P base exponent power
  N function arguments... result      (fac, binom, gcd, lcm)
  R a b less equal  then, for the parsed a and for a+b, a-b, a*b and a/b:
    mantissa scale text(-1) text(0) text(2) text(5)
    (a quotient by zero is written as the single token "-")

Integer quotients truncate toward zero; a remainder of a negative dividend
lies between 0 and |divisor| - 1, otherwise it has the dividend's sign.
A real is a mantissa and a scale (digits after the point); its text under
output precision q cuts (never rounds) to q decimals, -1 printing up to the
last non-zero decimal and 0 the integer part alone; a zero prints "0".
"""

import argparse
import math
import random
import sys
from decimal import Decimal, Context, ROUND_DOWN, localcontext

if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)

PRECISIONS = (-1, 0, 2, 5)


def random_digits(rng, length):
    """A digit text of the given length, sometimes made of long runs of 9s
    and 0s, which drive carries, borrows and quotient corrections."""
    style = rng.random()
    if style < 0.15:
        body = "".join(rng.choice("09") * rng.randint(1, 20) for _ in range(length))[:length]
    elif style < 0.25:
        body = "9" * length
    elif style < 0.3:
        body = "1" + "0" * (length - 1)
    else:
        body = "".join(rng.choice("0123456789") for _ in range(length))
    body = body.lstrip("0") or "0"
    if body != "0" and rng.random() < 0.05:
        body = body[:1] + "0" * (len(body) - 1)
    return body


def random_length(rng, largest):
    # Log-uniform: many short operands, some very long ones.
    return max(1, int(math.exp(rng.uniform(0, math.log(largest)))))


def random_int(rng, largest):
    value = int(random_digits(rng, random_length(rng, largest)))
    return -value if rng.random() < 0.5 else value


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a < 0) == (b < 0) else -q


def remainder(a, b):
    t = abs(a) % abs(b)
    if a >= 0:
        return t
    return 0 if t == 0 else abs(b) - t


def int_cases(rng, count, largest):
    for i in range(count):
        a = random_int(rng, largest)
        # Divisors of related size make the long division work hardest.
        if rng.random() < 0.5 and a != 0:
            b = random_int(rng, max(2, len(str(abs(a)))))
        else:
            b = random_int(rng, largest)
        if i % 7 == 0:
            b = a if i % 14 == 0 else -a
        if b == 0:
            b = 1
        yield "I %d %d %d %d %d %d %d %d %d" % (
            a, b, a + b, a - b, a * b, trunc_div(a, b), remainder(a, b), int(a < b), int(a == b))


def near_multiple_cases(rng, count, largest):
    """Dividends next to a multiple of a long divisor, with short quotients:
    the quotient taken from the divisor's top limbs must be checked there."""
    for _ in range(count):
        b = int(random_digits(rng, rng.randint(30, largest))) or 1
        q = int(random_digits(rng, rng.randint(1, 40)))
        a = q * b + rng.choice((-1, 0, 1, b - 1, b))
        if rng.random() < 0.5:
            a, b = -a, (b if rng.random() < 0.5 else -b)
        yield "I %d %d %d %d %d %d %d %d %d" % (
            a, b, a + b, a - b, a * b, trunc_div(a, b), remainder(a, b), int(a < b), int(a == b))


def power_cases(rng, count):
    for _ in range(count):
        base = random_int(rng, 30)
        exponent = rng.randint(-3, 90)
        yield "P %d %d %d" % (base, exponent, base ** exponent if exponent > 0 else 1)


def theory_cases(rng):
    for n in (0, 1, 2, 3, 10, 20, 21, 100, 250, 1000, 1500):
        yield "N fac %d %d" % (n, math.factorial(n))
    for n, k in ((10, 3), (100, 50), (1000, 3), (1000, 997), (60, 30), (5, 5), (3, 7)):
        yield "N binom %d %d %d" % (n, k, math.comb(n, k) if k <= n else 0)
    big = 10 ** 40 + 7
    yield "N binom %d %d %d" % (big, 4, math.comb(big, 4))
    for _ in range(60):
        common = random_int(rng, 60) or 1
        a = random_int(rng, 200) * common
        b = random_int(rng, 200) * common
        if a == 0 or b == 0:
            continue
        g = math.gcd(a, b)
        yield "N gcd %d %d %d" % (a, b, g)
        yield "N lcm %d %d %d" % (a, b, a * b // g if (a * b) >= 0 else -(abs(a * b) // g))


def random_real_text(rng, largest):
    digits = random_digits(rng, random_length(rng, largest))
    decimals = rng.choice((0, 0, 1, 2, 3, 5, 8, 13, 21, 34))
    if decimals:
        digits = digits.rjust(decimals + rng.randint(0, 1), "0")
        text = digits[:len(digits) - decimals] + "." + digits[len(digits) - decimals:]
    else:
        text = digits
    if text.startswith("."):
        text = ("0" if rng.random() < 0.5 else "") + text
    if rng.random() < 0.2:
        text += rng.choice("eE") + rng.choice(("", "-", "+")) + str(rng.randint(0, 25))
    if rng.random() < 0.5:
        text = "-" + text
    return text


def parse_real(text):
    """Mantissa and scale of a number text: the exponent moves the point, and
    the scale counts the decimals after the move (never below the decimals
    written)."""
    lowered = text.lower()
    number, _, exponent = lowered.partition("e")
    n = int(exponent) if exponent not in ("", "+", "-") else 0
    negative = number.startswith("-")
    body = number.lstrip("+-")
    whole, _, fraction = body.partition(".")
    mantissa = int((whole + fraction) or "0")
    if n > 0:
        mantissa *= 10 ** n
    scale = len(fraction) + max(-n, 0)
    return (-mantissa if negative else mantissa), scale


def real_value(mantissa, scale):
    return Decimal(mantissa).scaleb(-scale)


def real_text(mantissa, scale, q):
    if mantissa == 0:
        return "0"
    value = real_value(mantissa, scale)
    if q < 0:
        return format(value.normalize(), "f")
    unit = Decimal(1).scaleb(-q)
    return format(value.quantize(unit, rounding=ROUND_DOWN), "f")


def real_fields(mantissa, scale):
    return "%d %d %s" % (mantissa, scale, " ".join(real_text(mantissa, scale, q) for q in PRECISIONS))


def real_cases(rng, count, largest):
    for _ in range(count):
        ta = random_real_text(rng, largest)
        tb = random_real_text(rng, largest)
        ma, sa = parse_real(ta)
        mb, sb = parse_real(tb)
        va, vb = real_value(ma, sa), real_value(mb, sb)
        assert va == Decimal(ta) and vb == Decimal(tb)
        s = max(sa, sb)
        ra = ma * 10 ** (s - sa)
        rb = mb * 10 ** (s - sb)
        fields = ["R", ta, tb, str(int(va < vb)), str(int(va == vb)), real_fields(ma, sa)]
        fields.append(real_fields(ra + rb, s))
        fields.append(real_fields(ra - rb, s))
        fields.append(real_fields(ma * mb, sa + sb))
        # The exact results agree with decimal arithmetic.
        assert real_value(ra + rb, s) == va + vb and real_value(ma * mb, sa + sb) == va * vb
        fields.append(real_fields(trunc_div(ma, mb), sa - sb) if mb != 0 else "-")
        yield " ".join(fields)


def one_limb_cases(rng, count, largest):
    """Long operands by factors of one limb (below 10^9), the product a
    multiplication loop makes, with the factors whose limb splits run near
    the base."""
    factors = (1, 2, 3, 7, 9, 10, 65536, 123456789, 333333334, 499999999, 500000000, 999999937, 999999999)
    for _ in range(count):
        a = int(random_digits(rng, rng.randint(1, largest)))
        b = rng.choice(factors) if rng.random() < 0.6 else rng.randint(1, 999999999)
        if rng.random() < 0.3:
            a, b = -a, (b if rng.random() < 0.5 else -b)
        if rng.random() < 0.5:
            a, b = b, a
        if b == 0:
            b = 1
        yield "I %d %d %d %d %d %d %d %d %d" % (
            a, b, a + b, a - b, a * b, trunc_div(a, b), remainder(a, b), int(a < b), int(a == b))


def long_division_cases(rng, count):
    """Quotients and divisors both of thousands of digits, which the division
    by the divisor's reciprocal takes: random operands, dividends next to a
    multiple, divisors of all nines or a power of ten and one more."""
    for i in range(count):
        nb = rng.randint(1500, 12000)
        nq = rng.randint(1500, 12000)
        kind = i % 4
        if kind == 0:
            b = int(random_digits(rng, nb)) or 1
        elif kind == 1:
            b = 10 ** nb - 1
        elif kind == 2:
            b = 10 ** nb + 1
        else:
            b = int("9" * (nb // 2) + random_digits(rng, nb - nb // 2))
        q = int(random_digits(rng, nq))
        a = q * b + rng.choice((-1, 0, 1, b - 1, rng.randint(0, b - 1)))
        if rng.random() < 0.3:
            a, b = -a, (b if rng.random() < 0.5 else -b)
        yield "I %d %d %d %d %d %d %d %d %d" % (
            a, b, a + b, a - b, a * b, trunc_div(a, b), remainder(a, b), int(a < b), int(a == b))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=20240611)
    parser.add_argument("--ints", type=int, default=2000)
    parser.add_argument("--reals", type=int, default=2000)
    parser.add_argument("--largest", type=int, default=4000, help="longest operand in digits")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    with localcontext(Context(prec=200000)):
        out = sys.stdout
        for line in int_cases(rng, args.ints, args.largest):
            out.write(line + "\n")
        for line in power_cases(rng, 300):
            out.write(line + "\n")
        for line in theory_cases(rng):
            out.write(line + "\n")
        for line in real_cases(rng, args.reals, min(args.largest, 600)):
            out.write(line + "\n")
        # Drawn apart, so that the cases above stay as they were.
        for line in near_multiple_cases(random.Random(args.seed + 1), 200, args.largest):
            out.write(line + "\n")
        for line in one_limb_cases(random.Random(args.seed + 2), 300, args.largest):
            out.write(line + "\n")
        for line in long_division_cases(random.Random(args.seed + 3), 24):
            out.write(line + "\n")


if __name__ == "__main__":
    main()
