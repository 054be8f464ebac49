# The peer of array_index.mrv: a list of 10^6 ints read by position.
n = 1000000
a = [None] * n
i = 0
while i < n:
    a[i] = i
    i += 1
s = 0
k = 0
while k < 2:
    i = 0
    while i < n:
        s += a[i] * 2 - a[i]
        i += 1
    k += 1
print(s)
