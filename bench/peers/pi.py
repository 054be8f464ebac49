# pi truncated to 1000 decimals, by Machin's formula on scaled integers.
digits = 1000
guard = 10
scale = 10 ** (digits + guard)


def arctan_inverse(x):
    """arctan(1/x) times scale."""
    total = term = scale // x
    n = 1
    sign = -1
    x2 = x * x
    while term:
        term //= x2
        total += sign * (term // (2 * n + 1))
        sign = -sign
        n += 1
    return total


pi = 4 * (4 * arctan_inverse(5) - arctan_inverse(239))
text = str(pi // 10 ** guard)
print(text[0] + "." + text[1:])
