# Twin of random_reads.mrv: the same scattered reads and writes on lists.


def filled(n):
    return [i * i % 1009 for i in range(n)]


def scattered_sum(l, reads):
    n = len(l)
    s = 0
    i = 0
    while i < reads:
        s += l[(i * 7919) % n]
        i += 1
    return s


l = []
for size in (1000, 20000, 200000):
    l = filled(size)
    print(f"n {size}: sum of 200000 reads {scattered_sum(l, 200000)}")

n = len(l)
i = 0
while i < 200000:
    l[(i * 104729) % n] = i
    i += 1
s = 0
i = 0
while i < 100000:
    s += l[(i * 31) % n] - l[n - 1 - (i * 17) % n]
    i += 1
print(f"after writes: {s}")

i = 0
while i < 50000:
    l[(i * 7) % n] = i
    l[(i * 13) % n] = -i
    l[n - 1 - (i * 11) % n] = 2 * i
    i += 1
s = 0
for v in l:
    s = (s * 7 + v) % 1000000007
print(f"after set and Set: {s}")

seed = 42
i = n - 1
while i > 0:
    seed = (seed * 1103515245 + 12345) % 2147483648
    j = seed // 16 % (i + 1)
    l[i], l[j] = l[j], l[i]
    i -= 1
s = 0
for v in l:
    s = (s * 31 + v) % 1000000007
print(f"after shuffle: {s} first {l[0]} last {l[-1]}")
