# Twin of builtin_calls.mrv.
s = 0
for i in range(1, 300001):
    s = s + min(i % 7, i % 5, i % 3) + max(i % 11, i % 13)
print("ints %d" % s)
a = "pear"
b = "apple"
n = 0
for i in range(100000):
    n += len(min(a, b)) + len(max(a, b))
print("texts %d" % n)
d = 0
x = 5
for i in range(100000):
    if x is not None:
        d += 1
print("defined %d" % d)
