# Twin of matrix_pow.mrv.
seed = 14142
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n
M = 1000000007
def modpow(b, e, m):
    r = 1
    base = b % m
    x = e
    while x > 0:
        if x % 2 == 1:
            r = r * base % m
        base = base * base % m
        x //= 2
    return r

class Matrix:
    def __init__(self, size):
        self.n = size
        self.rows = [[0] * size for i in range(size)]
    def copy(self):
        m = Matrix(self.n)
        m.rows = [list(r) for r in self.rows]
        return m
    def identity(self):
        n = self.n
        for i in range(n):
            row = self.rows[i]
            for j in range(n):
                row[j] = 1 if i == j else 0
    def imul(self, o):
        n = self.n
        rows = self.rows
        r = [[0] * n for i in range(n)]
        for k in range(n):
            ok = list(o.rows[k])
            for i in range(n):
                a = rows[i][k]
                if a == 0:
                    continue
                ri = r[i]
                for j in range(n):
                    ri[j] += a * ok[j]
        for i in range(n):
            ri = r[i]
            for j in range(n):
                ri[j] = ri[j] % M
        self.rows = r
    def power(self, e):
        p = Matrix(self.n)
        p.identity()
        b = self.copy()
        x = e
        while x > 0:
            if x % 2 == 1:
                p.imul(b)
            b.imul(b)
            x //= 2
        return p
    def total(self):
        s = 0
        for row in self.rows:
            for v in row:
                s += v
        return s % M
    def trace(self):
        s = 0
        for i in range(self.n):
            s += self.rows[i][i]
        return s % M
    def det(self):
        n = self.n
        a = [list(r) for r in self.rows]
        d = 1
        for c in range(n):
            p = c
            while p < n and a[p][c] == 0:
                p += 1
            if p == n:
                return 0
            if p != c:
                a[p], a[c] = a[c], a[p]
                d = M - d
            pivot = a[c][c]
            d = d * pivot % M
            inv = modpow(pivot, M - 2, M)
            for r in range(c + 1, n):
                f = a[r][c] * inv % M
                if f == 0:
                    continue
                ar = a[r]
                ac = a[c]
                for j in range(c, n):
                    ar[j] = (ar[j] - f * ac[j]) % M
        return d

names = ["Ash", "Birch", "Cedar", "Dale", "Elm", "Fern", "Glen", "Heath", "Ivy", "Juniper", "Kestrel",
         "Larch", "Moor", "Nettle"]
stations = len(names)
links = []
for s in range(stations):
    for k in range(1, 2 + rnd(2) + 1):
        t = rnd(stations)
        links.append((s, t, k))
adj = Matrix(stations)
for s, t, k in links:
    adj.rows[s][t] += 1
print("%d stations, %d links" % (stations, len(links)))
for length in (2, 10, 1000, 123456789, 10 ** 15):
    w = adj.power(length)
    print("walks of length %d: all %d, closed %d, %s to %s %d"
          % (length, w.total(), w.trace(), names[0], names[stations - 1], w.rows[0][stations - 1]))

step = Matrix(3)
step.rows[0] = [1, 1, 2]
step.rows[1] = [1, 0, 0]
step.rows[2] = [0, 1, 0]
check = 0
for q in range(60):
    far = rnd(1000000) * 1000000 + rnd(1000000)
    p = step.power(far)
    check = (check * 31 + p.rows[0][0] + 2 * p.rows[0][1] + 3 * p.rows[0][2]) % M
print("recurrence check %d" % check)

dets = []
for q in range(6):
    m = Matrix(22)
    for i in range(22):
        row = m.rows[i]
        for j in range(22):
            row[j] = rnd(7)
    dets.append(m.det())
print("determinants (%s)" % ",".join(str(d) for d in dets))
