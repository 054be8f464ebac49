# Twin of ring_queue.mrv.
seed = 90210
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n

class Ring:
    def __init__(self, capacity):
        self.slots = [0] * capacity
        self.head = 0
        self.count = 0
        self.cap = capacity
    def full(self):
        return self.count == self.cap
    def push(self, x):
        self.slots[(self.head + self.count) % self.cap] = x
        self.count += 1
    def pop(self):
        x = self.slots[self.head]
        self.head = (self.head + 1) % self.cap
        self.count -= 1
        return x

class Customer:
    __slots__ = ("arrived", "kind")
    def __init__(self, t, k):
        self.arrived = t
        self.kind = k

class Teller:
    def __init__(self, name, cap):
        self.name = name
        self.queue = Ring(cap)
        self.free_at = 0
        self.served = 0
        self.busy = 0
        self.by_kind = {}
    def next(self, now):
        if self.free_at > now or self.queue.count == 0:
            return -1
        c = self.queue.pop()
        d = service(c.kind)
        self.free_at = now + d
        self.busy += d
        self.served += 1
        self.by_kind[c.kind] = self.by_kind.get(c.kind, 0) + 1
        return now - c.arrived

def service(kind):
    if kind == "deposit":
        d = 3 + rnd(3)
    elif kind == "withdraw":
        d = 2 + rnd(3)
    elif kind == "loan":
        d = 12 + rnd(20)
    elif kind == "query":
        d = 1 + rnd(4)
    elif kind == "complaint":
        d = 5 + rnd(15)
    return d

kinds = ["deposit", "withdraw", "deposit", "query", "withdraw", "loan", "query", "complaint", "deposit",
         "withdraw"]
tellers = [Teller(n, 5) for n in ("Ada", "Bo", "Cy", "Di", "Ed", "Flo")]
window = Ring(64)
window_sum = 0
balked = 0
arrived = 0
longest = 0
for t in range(1, 18001):
    rate = 55 if 2000 < t % 6000 < 4000 else 35
    coming = 0
    if rnd(100) < rate:
        coming = 1 + rnd(2)
    for k in range(coming):
        arrived += 1
        c = Customer(t, kinds[rnd(10)])
        best = 0
        for i in range(1, len(tellers)):
            if tellers[i].queue.count < tellers[best].queue.count:
                best = i
        chosen = tellers[best]
        if chosen.queue.full():
            balked += 1
        else:
            chosen.queue.push(c)
    for tl in tellers:
        w = tl.next(t)
        if w >= 0:
            if window.full():
                window_sum -= window.pop()
            window.push(w)
            window_sum += w
            if w > longest:
                longest = w
    if t % 3000 == 0:
        queued = sum(x.queue.count for x in tellers)
        print("t=%d: arrived %d, queued %d, balked %d, recent wait %d/100"
              % (t, arrived, queued, balked, window_sum * 100 // window.count))
served = 0
for tl in tellers:
    served += tl.served
    print("%s: served %d, busy %d%%,%s" % (tl.name, tl.served, tl.busy * 100 // 18000,
          "".join(" %s %d" % (k, tl.by_kind[k]) for k in sorted(tl.by_kind))))
print("served %d of %d, longest wait %d" % (served, arrived, longest))
