# F(100000) by an iterative loop.
import sys

if hasattr(sys, "set_int_max_str_digits"):
    sys.set_int_max_str_digits(0)
a, b = 0, 1
i = 0
while i < 100000:
    a, b = b, a + b
    i += 1
print(a)
