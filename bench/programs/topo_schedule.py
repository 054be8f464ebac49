# Twin of topo_schedule.mrv.
seed = 5150
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n

# A graph: node values, and per node its outgoing and incoming edges
# (other end, lag) in the order they were added; walks go newest first.
class Graph:
    def __init__(self):
        self.nodes = []
        self.out = []
        self.inc = []
        self.edges = 0
    def add_node(self, v):
        self.nodes.append(v)
        self.out.append([])
        self.inc.append([])
    def add_edge(self, u, v, w):
        self.out[u].append((v, w))
        self.inc[v].append((u, w))
        self.edges += 1

class Plan:
    def __init__(self, mode):
        self.mode = mode
        self.early = []
        self.finish = []
        self.dur = []
        self.late = []
        self.order = []
        self.per_kind = {}
    def duration(self, kind, size):
        if kind == "design":
            d = 3 + size
        elif kind == "code":
            d = 2 + 2 * size
        elif kind == "review":
            d = 1 + size // 2
        elif kind == "test":
            d = 2 + size
        elif kind == "deploy":
            d = 1
        elif kind == "doc":
            d = size
        if self.mode == "rush":
            d = (d * 2 + 2) // 3
        elif self.mode == "careful":
            d = d * 3 // 2 + 1
        return d
    def forward(self, g, sizes):
        n = len(g.nodes)
        indeg = []
        ready = []
        for v in range(n):
            indeg.append(len(g.inc[v]))
            self.early.append(0)
            self.finish.append(0)
            self.dur.append(0)
            self.late.append(0)
            if indeg[v] == 0:
                ready.append(v)
        early = self.early
        head = 0
        while head < len(ready):
            u = ready[head]
            head += 1
            self.order.append(u)
            kind = g.nodes[u]
            d = self.duration(kind, sizes[u])
            self.dur[u] = d
            self.per_kind[kind] = self.per_kind.get(kind, 0) + d
            f = early[u] + d
            self.finish[u] = f
            for v, lag in reversed(g.out[u]):
                if f + lag > early[v]:
                    early[v] = f + lag
                indeg[v] -= 1
                if indeg[v] == 0:
                    ready.append(v)
    def end_time(self):
        e = 0
        for f in self.finish:
            if f > e:
                e = f
        return e
    def backward(self, g):
        e = self.end_time()
        late = self.late
        dur = self.dur
        for k in range(len(self.order) - 1, -1, -1):
            u = self.order[k]
            lf = e
            for w, lag in reversed(g.out[u]):
                t = late[w] - dur[w] - lag
                if t < lf:
                    lf = t
            late[u] = lf
    def slack(self, u):
        return self.late[u] - self.finish[u]
    def chain(self, g):
        n = len(g.nodes)
        finish = self.finish
        u = 0
        for v in range(n):
            if finish[v] > finish[u]:
                u = v
        length = 1
        more = True
        while more:
            more = False
            nxt = -1
            for w, lag in reversed(g.inc[u]):
                if nxt < 0 and finish[w] + lag == self.early[u] and self.slack(w) == 0:
                    nxt = w
            if nxt >= 0:
                u = nxt
                length += 1
                more = True
        return length

n = 7000
kinds = ["design", "code", "review", "test", "deploy", "doc"]
perm = list(range(n))
for i in range(n - 1, 0, -1):
    j = rnd(i + 1)
    perm[i], perm[j] = perm[j], perm[i]
tasks = Graph()
sizes = []
for i in range(n):
    tasks.add_node(kinds[rnd(6)])
    sizes.append(1 + rnd(8))
for i in range(1, n):
    for k in range(1, rnd(4) + 1):
        j = i - 1 - rnd(min(i, 40))
        tasks.add_edge(perm[j], perm[i], rnd(3))
print("%d tasks, %d dependencies" % (len(tasks.nodes), tasks.edges))

plans = [Plan("rush"), Plan("normal"), Plan("careful")]
for p in plans:
    p.forward(tasks, sizes)
    p.backward(tasks)
    critical = 0
    slack_sum = 0
    for u in range(n):
        s = p.slack(u)
        if s == 0:
            critical += 1
        slack_sum += s
    print("%s: ends at %d, ordered %d, critical %d, chain %d, total slack %d"
          % (p.mode, p.end_time(), len(p.order), critical, p.chain(tasks), slack_sum))
    print("  work:" + "".join(" %s=%d" % (k, p.per_kind[k]) for k in sorted(p.per_kind)))
print("first in order: (%s)" % ",".join(str(x) for x in plans[0].order[:8]))
