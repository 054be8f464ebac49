# The same work as sort_ties.mrv, for comparison.
n = 1000000
a = []
x = 1
for i in range(n):
    x = x * 48271 % 2147483647
    a.append(x % 100000)
a.sort()
print(a[0], a[n // 2], a[n - 1])
a.sort(reverse=True)
print(a[0], a[n // 2], a[n - 1])
