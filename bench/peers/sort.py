# 10^6 pseudo-random ints (x = x * 48271 % 2147483647 from 1) sorted; the
# first, the middle and the last.
n = 1000000
x = 1
a = []
i = 0
while i < n:
    x = x * 48271 % 2147483647
    a.append(x)
    i += 1
a.sort()
print(a[0], a[n // 2], a[n - 1])
