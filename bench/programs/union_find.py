# Twin of union_find.mrv: the same spanning forest and percolation trials,
# union-find in lists.
seed = 6502


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


parent = []
weight = []


def reset(n):
    global parent, weight
    parent = list(range(n))
    weight = [1] * n


def find(x):
    root = x
    while parent[root] != root:
        up = parent[parent[root]]
        parent[root] = up
        root = up
    return root


def join(a, b):
    ra = find(a)
    rb = find(b)
    if ra == rb:
        return
    if weight[ra] < weight[rb]:
        ra, rb = rb, ra
    parent[rb] = ra
    weight[ra] += weight[rb]


towns = 2500
xs = []
ys = []
for t in range(towns):
    xs.append(rnd(1000))
    ys.append(rnd(1000))
roads = []
for r in range(30000):
    a = rnd(towns)
    b = rnd(towns)
    if a == b:
        continue
    dx = xs[a] - xs[b]
    dy = ys[a] - ys[b]
    roads.append((dx * dx + dy * dy, a, b))
roads.sort()
reset(towns)
parts = towns
built = 0
total = 0
longest = 0
next_report = 1000
for road in roads:
    a = road[1]
    b = road[2]
    if find(a) != find(b):
        join(a, b)
        parts -= 1
        built += 1
        total += road[0]
        longest = road[0]
        if parts <= next_report:
            print(f"  {parts} parts left after {built} roads, longest so far {longest}")
            next_report = next_report // 10
print(f"roads considered {len(roads)}, built {built}, parts {parts}, squared length {total}")
part_sizes = {}
for t in range(towns):
    root = find(t)
    part_sizes[root] = part_sizes.get(root, 0) + 1
sizes = sorted(part_sizes.values(), reverse=True)
print("biggest parts: (" + ",".join(str(s) for s in sizes[:5]) + ")")

side = 120
for trial in range(1, 6):
    top = side * side
    bottom = top + 1
    reset(side * side + 2)
    is_open = [False] * (side * side)
    opened = 0
    while find(top) != find(bottom):
        cell = rnd(side * side)
        if is_open[cell]:
            continue
        is_open[cell] = True
        opened += 1
        row = cell // side
        col = cell % side
        if row == 0:
            join(cell, top)
        if row == side - 1:
            join(cell, bottom)
        if row > 0 and is_open[cell - side]:
            join(cell, cell - side)
        if row < side - 1 and is_open[cell + side]:
            join(cell, cell + side)
        if col > 0 and is_open[cell - 1]:
            join(cell, cell - 1)
        if col < side - 1 and is_open[cell + 1]:
            join(cell, cell + 1)
    print(f"trial {trial}: percolates after {opened} open cells ({opened * 1000 // (side * side)} per mille)")
