# Twin of vec_orbits.mrv.
seed = 1234567
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n

# Division that cuts towards zero, as Morvu's / on ints does.
def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a < 0) == (b < 0) else -q

class Vec:
    __slots__ = ("x", "y")
    def __init__(self, a=0, b=0):
        self.x = a
        self.y = b
    def copy(self):
        return Vec(self.x, self.y)
    def iadd(self, o):
        self.x += o.x
        self.y += o.y
    def isub(self, o):
        self.x -= o.x
        self.y -= o.y
    def imul(self, k):
        self.x *= k
        self.y *= k
    def idiv(self, k):
        self.x = tdiv(self.x, k)
        self.y = tdiv(self.y, k)
    def norm2(self):
        return self.x * self.x + self.y * self.y
    def __lt__(self, o):
        a = self.norm2()
        b = o.norm2()
        return a < b or (a == b and (self.x < o.x or (self.x == o.x and self.y < o.y)))
    def __eq__(self, o):
        return self.x == o.x and self.y == o.y
    def __str__(self):
        return "(%d,%d)" % (self.x, self.y)

class Body:
    def __init__(self):
        self.name = ""
        self.p = Vec()
        self.v = Vec()
        self.m = 1

G = 4000000
soft = 10000000000
def new_body(i):
    b = Body()
    b.name = "b%d" % i
    x = (rnd(20001) - 10000) * 1000 + rnd(1000)
    b.p = Vec(x, (rnd(20001) - 10000) * 1000 + rnd(1000))
    vx = tdiv(-b.p.y, 200) + rnd(2001) - 1000
    b.v = Vec(vx, tdiv(b.p.x, 200) + rnd(2001) - 1000)
    b.m = 1 + rnd(50)
    return b
bodies = [new_body(i) for i in range(30)]

def report(step):
    momentum = Vec()
    energy = 0
    lo = Vec(0, 0)
    hi = Vec(0, 0)
    for b in bodies:
        pm = b.v.copy()
        pm.imul(b.m)
        momentum.iadd(pm)
        energy += b.m * b.v.norm2()
        lo.x = min(lo.x, b.p.x)
        lo.y = min(lo.y, b.p.y)
        hi.x = max(hi.x, b.p.x)
        hi.y = max(hi.y, b.p.y)
    print("step %d: momentum %s, energy %d, box %s to %s" % (step, momentum, energy, lo, hi))

n = len(bodies)
report(0)
for step in range(1, 91):
    acc = [Vec(0, 0) for i in range(n)]
    for i in range(n - 1):
        a = bodies[i]
        for j in range(i + 1, n):
            b = bodies[j]
            d = b.p.copy()
            d.isub(a.p)
            r2 = d.norm2() + soft
            fa = d.copy()
            fa.imul(G * b.m)
            fa.idiv(r2)
            fb = d.copy()
            fb.imul(G * a.m)
            fb.idiv(r2)
            acc[i].iadd(fa)
            acc[j].isub(fb)
    for i in range(n):
        b = bodies[i]
        b.v.iadd(acc[i])
        b.p.iadd(b.v)
    if step % 30 == 0:
        report(step)

centre = Vec()
mass = 0
for b in bodies:
    pm = b.p.copy()
    pm.imul(b.m)
    centre.iadd(pm)
    mass += b.m
centre.idiv(mass)
offsets = []
for b in bodies:
    o = b.p.copy()
    o.isub(centre)
    offsets.append(o)
ordered = sorted(offsets)
line = "centre %s, nearest:" % centre
for k in range(4):
    o = ordered[k]
    who = offsets.index(o)
    line += " %s%s" % (bodies[who].name, o)
print(line)
print("farthest %s, squared distance %d" % (ordered[-1], ordered[-1].norm2()))
