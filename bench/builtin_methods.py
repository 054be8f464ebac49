# The same work as builtin_methods.mrv, for comparison.
l = []
h = {}
i = 0
s = 0
while i < 1000000:
    l.append(i)
    s += len(l) - l[i]
    h[i % 64] = i
    s += h.get(i % 64)
    i += 1
print(s, len(h))
