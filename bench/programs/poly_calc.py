# Twin of poly_calc.mrv.
seed = 271828
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n
P = 1000003

class Poly:
    def __init__(self, a=None, b=None):
        self.c = []
        if a is not None:
            self.c = [a % P, b % P]
            self.trim()
    def copy(self):
        p = Poly()
        p.c = list(self.c)
        return p
    def trim(self):
        c = self.c
        while len(c) > 0 and c[-1] == 0:
            c.pop()
    def deg(self):
        return len(self.c) - 1
    def add(self, o):
        c = self.c
        oc = o.c
        n = len(oc)
        while len(c) < n:
            c.append(0)
        for i in range(n):
            c[i] = (c[i] + oc[i]) % P
        self.trim()
    def add_int(self, k):
        if len(self.c) == 0:
            self.c.append(0)
        self.c[0] = (self.c[0] + k) % P
        self.trim()
    def scale(self, k):
        c = self.c
        for i in range(len(c)):
            c[i] = c[i] * k % P
        self.trim()
    def mul(self, o):
        c = self.c
        oc = o.c
        n = len(c)
        m = len(oc)
        r = [0] * (n + m - 1) if n + m >= 2 else []
        for i in range(n):
            a = c[i]
            if a != 0:
                for j in range(m):
                    r[i + j] = (r[i + j] + a * oc[j]) % P
        self.c = r
        self.trim()
    def at(self, x):
        v = 0
        c = self.c
        for i in range(len(c) - 1, -1, -1):
            v = (v * x + c[i]) % P
        return v
    def derivative(self):
        d = Poly()
        c = self.c
        for i in range(1, len(c)):
            d.c.append(c[i] * i % P)
        d.trim()
        return d
    def compose(self, q):
        r = Poly()
        c = self.c
        for i in range(len(c) - 1, -1, -1):
            r.mul(q)
            r.add_int(c[i])
        return r
    def checksum(self):
        s = 0
        for x in self.c:
            s = (s * 31 + x) % P
        return s

falling = Poly(1, 0)
for i in range(1, 41):
    falling.mul(Poly(P - i, 1))
zeros = 0
for x in range(46):
    if falling.at(x) == 0:
        zeros += 1
print("falling product: degree %d, zeros %d, at 41 %d, checksum %d"
      % (falling.deg(), zeros, falling.at(41), falling.checksum()))

bank = []
for k in range(8):
    bank.append(Poly(1 + rnd(9), 1 + rnd(9)))
ops = ["add", "mul", "der", "eval", "comp", "lin", "scale", "add", "mul", "eval"]
commands = []
for k in range(3200):
    op = ops[rnd(10)]
    commands.append("%s %d %d" % (op, rnd(8), rnd(8)))

done = {}
evals = 0
resets = 0
for line in commands:
    w = line.split()
    op = w[0]
    i = int(w[1])
    j = int(w[2])
    a = bank[i]
    done[op] = done.get(op, 0) + 1
    if op == "add":
        a.add(bank[j])
    elif op == "mul":
        a.mul(bank[j])
    elif op == "der":
        bank[i] = a = a.derivative()
    elif op == "eval":
        evals = (evals * 7 + a.at(j * 1000 + 17)) % P
    elif op == "comp":
        b = bank[j]
        if a.deg() * b.deg() <= 24:
            bank[i] = a = a.compose(b)
    elif op == "lin":
        a.mul(Poly(j, 1))
    elif op == "scale":
        a.scale(j + 2)
    if a.deg() > 30 or a.deg() < 1:
        bank[i] = Poly(i + 2, j + 1)
        resets += 1
print("commands:" + "".join(" %s=%d" % (op, done[op]) for op in sorted(done)))
print("evaluations %d, resets %d" % (evals, resets))
for k in range(8):
    p = bank[k]
    print("  p%d: degree %d, p(2) = %d, checksum %d" % (k, p.deg(), p.at(2), p.checksum()))
