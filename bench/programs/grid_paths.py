# Twin of grid_paths.mrv: the same terrain in lists of lists, Dijkstra with
# a binary heap of (distance, row, column) tuples kept in a list.
seed = 777


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


rows = 100
cols = 120
WALL = 0
cost = [[None] * cols for _ in range(rows)]
for r in range(rows):
    for c in range(cols):
        if rnd(100) < 18:
            cost[r][c] = WALL
        else:
            cost[r][c] = 1 + rnd(9)
for k in range(1, 7):
    c = k * 17
    for r in range(rows):
        if rnd(10) > 2:
            cost[r][c] = WALL
cost[0][0] = 1
cost[rows - 1][cols - 1] = 1
cost[0][cols - 1] = 1
cost[rows - 1][0] = 1

dr = [-1, 1, 0, 0]
dc = [0, 0, -1, 1]


def push(heap, item):
    heap.append(item)
    i = len(heap) - 1
    while i > 0:
        p = (i - 1) // 2
        if heap[p] <= item:
            break
        heap[i] = heap[p]
        i = p
    heap[i] = item


def pop(heap):
    top = heap[0]
    last = heap.pop()
    n = len(heap)
    if n == 0:
        return top
    i = 0
    c = 1
    while c < n:
        if c + 1 < n and heap[c + 1] < heap[c]:
            c += 1
        if last <= heap[c]:
            break
        heap[i] = heap[c]
        i = c
        c = 2 * i + 1
    heap[i] = last
    return top


def shortest(terrain, r0, c0):
    dist = [[-1] * cols for _ in range(rows)]
    heap = []
    dist[r0][c0] = 0
    push(heap, (0, r0, c0))
    pops = 0
    while heap:
        d, r, c = pop(heap)
        pops += 1
        if d > dist[r][c]:
            continue
        for k in range(4):
            nr = r + dr[k]
            nc = c + dc[k]
            if nr < 0 or nr >= rows or nc < 0 or nc >= cols:
                continue
            step = terrain[nr][nc]
            if step == WALL:
                continue
            nd = d + step
            old = dist[nr][nc]
            if old < 0 or nd < old:
                dist[nr][nc] = nd
                push(heap, (nd, nr, nc))
    return dist, pops


def summary(dist):
    reached = 0
    total = 0
    far = 0
    for row in dist:
        for d in row:
            if d >= 0:
                reached += 1
                total += d
                if d > far:
                    far = d
    return f"reached {reached}, sum {total}, farthest {far}"


starts = [0, 0, rows - 1, cols - 1, 0, cols - 1]
for k in range(3):
    r0 = starts[2 * k]
    c0 = starts[2 * k + 1]
    dist, pops = shortest(cost, r0, c0)
    print(f"from {r0},{c0}: {summary(dist)}, heap pops {pops}")

grid = [["#" if cost[r][c] == WALL else "." for c in range(cols)] for r in range(rows)]
pr = rows - 1
pc = 0
print(f"cost to {pr},{pc}: {dist[pr][pc]}")
length = 0
while dist[pr][pc] > 0:
    grid[pr][pc] = "*"
    length += 1
    here = dist[pr][pc] - cost[pr][pc]
    for k in range(4):
        nr = pr + dr[k]
        nc = pc + dc[k]
        if 0 <= nr < rows and 0 <= nc < cols and dist[nr][nc] == here:
            pr = nr
            pc = nc
            break
grid[pr][pc] = "S"
print(f"route of {length} steps")
for r2 in range(rows - 20, rows):
    print("".join(grid[r2][:60]))
