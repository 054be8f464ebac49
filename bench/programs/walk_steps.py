# Twin of walk_steps.mrv.
l = []
for i in range(1, 100001):
    l.append(i * 7 % 1000)
h = {}
for i in range(1, 20001):
    h[i] = i % 97
a = [i % 13 for i in range(50000)]
m = 1000003
s = 0
for r in range(20):
    for v in l:
        s = (s + v) % m
print("list %d" % s)
s = 0
for r in range(20):
    for k, v in h.items():
        s = (s + k + v) % m
print("hash %d" % s)
s = 0
for r in range(20):
    for i, v in enumerate(a):
        s = (s + i * v) % m
print("array %d" % s)
found = 0
for r in range(20):
    found += len([v for v in l if v == 343])
print("found %d" % found)
