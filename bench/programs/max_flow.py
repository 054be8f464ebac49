# Twin of max_flow.mrv.
seed = 2718
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n

# The network: node names, per node the targets of its outgoing edges in
# the order they were added (walked newest first), and the edge values.
layers = 10
width = 25
n = layers * width
names = ["J%d-%d" % (i // width, i % width) for i in range(n)]
out = [[] for i in range(n)]
cap = {}
edge_list = []
def add_edge(u, v, c):
    out[u].append(v)
    cap[(u, v)] = c
    edge_list.append((u, v))

pairs = set()
pipe_list = []
pipes = 0
for l in range(layers - 1):
    for k in range(width):
        u = l * width + k
        for j in range(3):
            v = (l + 1) * width + (k + rnd(7) + width - 3) % width
            if rnd(6) == 0 and l + 2 < layers:
                v = (l + 2) * width + rnd(width)
            if (u * n + v) in pairs or (v * n + u) in pairs:
                continue
            pairs.add(u * n + v)
            add_edge(u, v, 1 + rnd(20))
            add_edge(v, u, 0)
            pipe_list.append((u, v))
            pipes += 1
spring = n
drain = n + 1
names += ["spring", "drain"]
out += [[], []]
for k in range(width):
    add_edge(spring, k, 40)
    add_edge(k, spring, 0)
    add_edge(n - width + k, drain, 40)
    add_edge(drain, n - width + k, 0)
print("%d junctions, %d pipes, %d edges with the reverse ones" % (n, pipes, len(edge_list)))

def max_flow(g, source, sink):
    size = len(out)
    total = 0
    rounds = 0
    while True:
        via = [-1] * size
        queue = [source]
        via[source] = source
        head = 0
        while head < len(queue) and via[sink] < 0:
            u = queue[head]
            head += 1
            for v in reversed(out[u]):
                if g[(u, v)] > 0 and via[v] < 0:
                    via[v] = u
                    queue.append(v)
        if via[sink] < 0:
            break
        push = 1000000
        v = sink
        while v != source:
            u = via[v]
            push = min(push, g[(u, v)])
            v = u
        v = sink
        while v != source:
            u = via[v]
            g[(u, v)] -= push
            g[(v, u)] += push
            v = u
        total += push
        rounds += 1
    return total, rounds

def cut_size(g, base, source):
    size = len(out)
    seen = [False] * size
    queue = [source]
    seen[source] = True
    head = 0
    while head < len(queue):
        u = queue[head]
        head += 1
        for v in reversed(out[u]):
            if g[(u, v)] > 0 and not seen[v]:
                seen[v] = True
                queue.append(v)
    reached = len(queue)
    pipes_cut = 0
    for (u, v) in edge_list:
        if base[(u, v)] > 0 and seen[u] and not seen[v]:
            pipes_cut += 1
    return reached, pipes_cut

for i in range(len(pipe_list) - 1, 0, -1):
    j = rnd(i + 1)
    pipe_list[i], pipe_list[j] = pipe_list[j], pipe_list[i]
for closed in (0, 50, 100):
    g = dict(cap)
    for k in range(closed):
        g[pipe_list[k]] = 0
    flow, rounds = max_flow(g, spring, drain)
    reached, cut = cut_size(g, cap, spring)
    print("%d pipes closed: flow %d in %d paths, cut %d pipes around %d junctions"
          % (closed, flow, rounds, cut, reached))
