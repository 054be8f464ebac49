# Twin of rational_sort.mrv.
seed = 1618
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n
def gcd(a, b):
    x = a
    y = b
    while y != 0:
        x, y = y, x % y
    return x

class Rat:
    __slots__ = ("n", "d")
    def __init__(self, a=0, b=1):
        g = gcd(a, b)
        self.n = a // g
        self.d = b // g
    def copy(self):
        r = Rat()
        r.n = self.n
        r.d = self.d
        return r
    def norm(self):
        g = gcd(self.n, self.d)
        self.n //= g
        self.d //= g
    def iadd(self, o):
        self.n = self.n * o.d + o.n * self.d
        self.d *= o.d
        self.norm()
    def isub(self, o):
        self.n = self.n * o.d - o.n * self.d
        self.d *= o.d
        self.norm()
    def imul(self, o):
        self.n *= o.n
        self.d *= o.d
        self.norm()
    def __lt__(self, o):
        return self.n * o.d < o.n * self.d
    def mediant(self, o):
        m = Rat()
        m.n = self.n + o.n
        m.d = self.d + o.d
        return m
    def __str__(self):
        return "%d/%d" % (self.n, self.d)

order = 70
farey = []
for q in range(1, order + 1):
    for p in range(0, q + 1):
        if gcd(p, q) == 1:
            farey.append(Rat(p, q))
farey.sort()
good = 0
for i in range(1, len(farey)):
    a = farey[i - 1]
    b = farey[i]
    if a.d * b.n - a.n * b.d == 1:
        good += 1
total = Rat(0, 1)
for f in farey:
    total.iadd(f)
third = next(i for i, f in enumerate(farey) if f.n == 1 and f.d == 3)
print("Farey %d: %d fractions, neighbours ok %d, sum %s, middle %s, after 1/3 %s"
      % (order, len(farey), good, total, farey[len(farey) // 2], farey[third + 1]))

product = Rat(1, 1)
for k in range(2, 301):
    product.imul(Rat(k * k - 1, k * k))
print("product to 300: %s" % product)

def root_approx(k, limit):
    lo = Rat(0, 1)
    hi = Rat()
    hi.n = 1
    hi.d = 0
    steps = 0
    while True:
        m = lo.mediant(hi)
        if m.d > limit:
            break
        steps += 1
        if m.n * m.n < k * m.d * m.d:
            lo = m
        else:
            hi = m
    elo = k * lo.d * lo.d - lo.n * lo.n
    best = lo
    if hi.d > 0:
        ehi = hi.n * hi.n - k * hi.d * hi.d
        if ehi * lo.d * lo.d < elo * hi.d * hi.d:
            best = hi
    return best, steps
walked = 0
shown = []
for k in range(2, 401):
    r = 1
    while (r + 1) * (r + 1) <= k:
        r += 1
    if r * r == k:
        continue
    best, steps = root_approx(k, 5000)
    walked += steps
    if k == 2 or k == 3 or k == 399:
        shown.append("root %d ~ %d/%d" % (k, best.n, best.d))
print("Stern-Brocot steps %d; %s, %s, %s" % (walked, shown[0], shown[1], shown[2]))

pile = []
for i in range(2500):
    a = rnd(1000)
    pile.append(Rat(a, 1 + rnd(999)))
pile.sort()
distinct = 1
for i in range(1, len(pile)):
    if pile[i - 1] < pile[i]:
        distinct += 1
below_half = Rat(0, 1)
half = Rat(1, 2)
under = 0
for f in pile:
    if f < half:
        under += 1
        below_half.iadd(f)
print("pile: %d fractions, %d distinct, smallest %s, median %s, largest %s, below 1/2: %d"
      % (len(pile), distinct, pile[0], pile[len(pile) // 2], pile[-1], under))
print("  their sum has a denominator of %d digits" % len(str(below_half.d)))

terms = 0
longest = 0
longest_of = Rat()
widest = 0
for i in range(300):
    b = 2 + rnd(150)
    x = Rat(1 + rnd(b - 1), b)
    start = x.copy()
    t = 0
    while x.n > 0:
        c = (x.d + x.n - 1) // x.n
        x.isub(Rat(1, c))
        t += 1
        w = len(str(c))
        if w > widest:
            widest = w
    terms += t
    if t > longest:
        longest = t
        longest_of = start
print("unit fractions: %d terms for 300 fractions, most %d for %s, widest denominator %d digits"
      % (terms, longest, longest_of, widest))
