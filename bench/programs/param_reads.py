# Twin of param_reads.mrv: a dot product of two lists, taken many times.
def dot(a, b):
    s = 0
    i = 0
    while i < len(a):
        s = s + a[i] * b[i]
        i = i + 1
    return s


x = []
y = []
k = 0
while k < 1000:
    x.append(k)
    y.append(k * 2)
    k = k + 1
t = 0
r = 0
while r < 300:
    t = t + dot(x, y)
    r = r + 1
print(t)
