# Twin of warehouse.mrv.
seed = 777
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n

class Batch:
    __slots__ = ("qty", "use_by")
    def __init__(self, q, u):
        self.qty = q
        self.use_by = u

class Depot:
    def __init__(self, name):
        self.name = name
        self.stock = {}
        self.received = 0
        self.shipped = 0
        self.short = 0
        self.wasted = 0
    def receive(self, item, qty, use_by):
        if item not in self.stock:
            self.stock[item] = []
        lots = self.stock[item]
        pos = len(lots)
        while pos > 0 and lots[pos - 1].use_by > use_by:
            pos -= 1
        lots.insert(pos, Batch(qty, use_by))
        self.received += qty
    def take(self, item, want):
        got = []
        if item not in self.stock:
            return got
        lots = self.stock[item]
        need = want
        while need > 0 and len(lots) > 0:
            b = lots[0]
            if b.qty <= need:
                got.append(b)
                need -= b.qty
                del lots[0]
            else:
                b.qty -= need
                got.append(Batch(need, b.use_by))
                need = 0
        return got
    def expire(self, today):
        for lots in self.stock.values():
            while len(lots) > 0 and lots[0].use_by < today:
                self.wasted += lots[0].qty
                del lots[0]
    def on_hand(self, item):
        n = 0
        if item in self.stock:
            for b in self.stock[item]:
                n += b.qty
        return n
    def total(self):
        n = 0
        for lots in self.stock.values():
            for b in lots:
                n += b.qty
        return n

def quantity(got):
    n = 0
    for b in got:
        n += b.qty
    return n

firsts = ["ap", "bo", "ca", "du", "el", "fi", "go", "hu"]
seconds = ["ple", "lt", "ble", "ct", "bow", "lter", "urd", "sk"]
items = [a + b for a in firsts for b in seconds]
depots = [Depot("north"), Depot("south"), Depot("east"), Depot("west")]

commands = []
planned_day = 0
for k in range(22000):
    r = rnd(100)
    item = items[rnd(len(items)) * rnd(len(items)) // len(items)]
    if r < 35:
        d = rnd(4)
        q = 5 + rnd(40)
        commands.append("recv %d %s %d %d" % (d, item, q, planned_day + 3 + rnd(20)))
    elif r < 75:
        d = rnd(4)
        commands.append("ship %d %s %d" % (d, item, 1 + rnd(30)))
    elif r < 88:
        a = rnd(4)
        b = rnd(4)
        commands.append("move %d %d %s %d" % (a, b, item, 1 + rnd(25)))
    elif r < 98:
        commands.append("count %d %s" % (rnd(4), item))
    else:
        commands.append("day")
        planned_day += 1

today = 0
counted = 0
moved = 0
seen = {}
for line in commands:
    w = line.split()
    op = w[0]
    seen[op] = seen.get(op, 0) + 1
    if op == "recv":
        depots[int(w[1])].receive(w[2], int(w[3]), int(w[4]))
    elif op == "ship":
        d = depots[int(w[1])]
        want = int(w[3])
        got = quantity(d.take(w[2], want))
        d.shipped += got
        d.short += want - got
    elif op == "move":
        src = depots[int(w[1])]
        dst = depots[int(w[2])]
        got = src.take(w[3], int(w[4]))
        for b in got:
            dst.receive(w[3], b.qty, b.use_by)
            moved += b.qty
    elif op == "count":
        d = depots[int(w[1])]
        counted = (counted * 31 + d.on_hand(w[2])) % 1000000007
    elif op == "day":
        today += 1
        for d in depots:
            d.expire(today)
print("commands:" + "".join(" %s %d" % (op, seen[op]) for op in sorted(seen)))
print("days %d, moved %d, count checksum %d" % (today, moved, counted))
for d in depots:
    lots = sum(len(l) for l in d.stock.values())
    print("%s: received %d, shipped %d, short %d, wasted %d, on hand %d in %d batches"
          % (d.name, d.received, d.shipped, d.short, d.wasted, d.total(), lots))
