# Twin of graph_bfs.mrv: the same friendships in adjacency lists of
# (friend, year) pairs, the same components and breadth-first walks.
seed = 99


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


people = 16000
town_size = 400
names = [f"p{p}" for p in range(people)]
adj = [[] for _ in range(people)]
edges = 0
for p in range(people):
    town = p // town_size
    made = rnd(4)
    for k in range(1, made + 1):
        q = town * town_size + rnd(town_size)
        if rnd(200) == 0:
            q = rnd(people)
        if q != p:
            year = 1990 + rnd(30)
            adj[p].append((q, year))
            adj[q].append((p, year))
            edges += 1
print(f"{people} people, {edges} friendships ({edges} made)")

n = people
lonely = 0
busiest = 0
for p in range(n):
    d = len(adj[p])
    if d == 0:
        lonely += 1
    if d > len(adj[busiest]):
        busiest = p
print(f"without friends: {lonely}, most friends: {names[busiest]} with {len(adj[busiest])}")

comp = [None] * n
sizes = []
for p in range(n):
    if comp[p] is not None:
        continue
    cid = len(sizes)
    comp[p] = cid
    queue = [p]
    head = 0
    while head < len(queue):
        u = queue[head]
        head += 1
        for v, year in adj[u]:
            if comp[v] is None:
                comp[v] = cid
                queue.append(v)
    sizes.append(len(queue))
print(f"components: {len(sizes)}")
biggest = sorted(sizes, reverse=True)
print("largest: (" + ",".join(str(s) for s in biggest[:5]) + ")")
singles = sum(1 for s in sizes if s == 1)
print(f"people alone: {singles}")


def distances(g, frm, since):
    dist = [None] * len(g)
    queue = [frm]
    dist[frm] = 0
    head = 0
    far = 0
    total = 0
    while head < len(queue):
        u = queue[head]
        head += 1
        du = dist[u]
        for v, year in g[u]:
            if year >= since and dist[v] is None:
                dist[v] = du + 1
                total += du + 1
                if du + 1 > far:
                    far = du + 1
                queue.append(v)
    levels = [0] * (far + 1)
    for d in dist:
        if d is not None:
            levels[d] += 1
    reached = len(queue) - 1
    print(f"{names[frm]}: reaches {reached}, mean distance {total * 100 // max(1, reached)}/100, farthest {far}, nearest levels ("
          + ",".join(str(x) for x in levels[:8]) + ")")


for p in (0, 4321, 9999, 15999):
    distances(adj, p, 2000)
