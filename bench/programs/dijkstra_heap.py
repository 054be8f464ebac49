# Twin of dijkstra_heap.mrv.
seed = 31337
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n

class MinHeap:
    def __init__(self):
        self.keys = []
        self.items = []
        self.pushes = 0
    def waiting(self):
        return len(self.keys) > 0
    def push(self, k, v):
        self.pushes += 1
        keys = self.keys
        items = self.items
        keys.append(k)
        items.append(v)
        i = len(keys) - 1
        while i > 0:
            p = (i - 1) // 2
            if keys[p] <= k:
                break
            keys[i] = keys[p]
            items[i] = items[p]
            i = p
        keys[i] = k
        items[i] = v
    def pop(self):
        keys = self.keys
        items = self.items
        k = keys[0]
        v = items[0]
        lk = keys.pop()
        lv = items.pop()
        n = len(keys)
        if n == 0:
            return k, v
        i = 0
        c = 1
        while c < n:
            if c + 1 < n and keys[c + 1] < keys[c]:
                c += 1
            if keys[c] >= lk:
                break
            keys[i] = keys[c]
            items[i] = items[c]
            i = c
            c = 2 * i + 1
        keys[i] = lk
        items[i] = lv
        return k, v

towns = 1200
syllables = ["ka", "ro", "mi", "tel", "sun", "bar", "vo", "len", "dra", "pi"]
def town_name(i):
    s = syllables[i % 10] + syllables[i // 10 % 10] + syllables[i // 100 % 10]
    if i >= 1000:
        s += "burg"
    return s

# A graph: node values and, per node, its outgoing roads (target, length)
# in the order they were added.
class Graph:
    def __init__(self):
        self.nodes = []
        self.out = []
        self.edges = 0
    def add_node(self, v):
        self.nodes.append(v)
        self.out.append([])
    def add_edge(self, u, v, w):
        self.out[u].append((v, w))
        self.edges += 1

day = Graph()
night = Graph()
for t in range(towns):
    day.add_node(town_name(t))
    night.add_node(town_name(t))
for t in range(towns):
    for k in range(1, 3 + rnd(3) + 1):
        u = (t + 1 + rnd(12)) % towns
        if rnd(25) == 0:
            u = rnd(towns)
        if u == t:
            continue
        length = 5 + rnd(40)
        day.add_edge(t, u, length)
        night.add_edge(t, u, length + rnd(3) * length // 2)
print("%d towns, %d roads" % (len(day.nodes), day.edges))

maps = [day, night]
map_names = ["day", "night"]
for m in range(2):
    g = maps[m]
    n = len(g.nodes)
    for source in (0, 377, 801, 1150):
        dist = [-1] * n
        prev = [-1] * n
        h = MinHeap()
        dist[source] = 0
        h.push(0, source)
        settled = 0
        while h.waiting():
            d, u = h.pop()
            if d > dist[u]:
                continue
            settled += 1
            # The newest road first, as the graph walks a town's roads.
            for v, length in reversed(g.out[u]):
                nd = d + length
                if dist[v] < 0 or nd < dist[v]:
                    dist[v] = nd
                    prev[v] = u
                    h.push(nd, v)
        total = sum(dist)
        far = source
        for i in range(n):
            if dist[i] > dist[far]:
                far = i
        hops = 0
        at = far
        while at != source:
            at = prev[at]
            hops += 1
        print("%s from %s: reached %d, sum %d, farthest %s at %d in %d roads, pushes %d"
              % (map_names[m], g.nodes[source], settled, total, g.nodes[far], dist[far], hops, h.pushes))
