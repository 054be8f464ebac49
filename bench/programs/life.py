# Conway's game of life on a 40 x 60 torus held in a list of rows,
# seeded by a small random generator, 60 generations.
rows = 40
cols = 60
seed = 7


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


grid = [[0] * cols for _ in range(rows)]
nxt = [[0] * cols for _ in range(rows)]
for r in range(rows):
    for c in range(cols):
        grid[r][c] = 1 if rnd(100) < 30 else 0


def population(g):
    n = 0
    for r in range(rows):
        for c in range(cols):
            n += g[r][c]
    return n


def show(g):
    for r in range(8):
        line = ""
        for c in range(cols):
            line += '#' if g[r][c] == 1 else '.'
        print(line)


def step():
    global grid, nxt
    for r in range(rows):
        up = (r + rows - 1) % rows
        down = (r + 1) % rows
        for c in range(cols):
            left = (c + cols - 1) % cols
            right = (c + 1) % cols
            around = (grid[up][left] + grid[up][c] + grid[up][right] + grid[r][left] + grid[r][right]
                      + grid[down][left] + grid[down][c] + grid[down][right])
            nxt[r][c] = 1 if around == 3 or (around == 2 and grid[r][c] == 1) else 0
    grid, nxt = nxt, grid


print("generation 0: %d" % population(grid))
for gen in range(1, 61):
    step()
    if gen % 10 == 0:
        print("generation %d: %d" % (gen, population(grid)))
show(grid)
