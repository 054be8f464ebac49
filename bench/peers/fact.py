# 20000! by multiplying 2, 3, ..., 20000 in a loop.
import sys

if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)
f = 1
k = 2
while k <= 20000:
    f *= k
    k += 1
print(f)
