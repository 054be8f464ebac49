# The same work as hash_lookup.mrv, for comparison.
h = {}
for i in range(1000000):
    h[i] = i
total = 0
for i in range(1000000):
    total += h[i]
print(len(h), total)
