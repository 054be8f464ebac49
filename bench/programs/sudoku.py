# Twin of sudoku.mrv: the same puzzles on a list of lists, solved by the same
# backtracking.
seed = 1234


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


def shuffled(n):
    l = list(range(n))
    for k in range(n - 1, 0, -1):
        j = rnd(k + 1)
        l[k], l[j] = l[j], l[k]
    return l


def make_puzzle(blanks):
    digits = shuffled(9)
    band_order = shuffled(3)
    stack_order = shuffled(3)
    row_order = []
    col_order = []
    for b in band_order:
        for x in shuffled(3):
            row_order.append(b * 3 + x)
    for s in stack_order:
        for x in shuffled(3):
            col_order.append(s * 3 + x)
    g = [[0] * 9 for _ in range(9)]
    for r in range(9):
        for c in range(9):
            rr = row_order[r]
            cc = col_order[c]
            g[r][c] = digits[(3 * (rr % 3) + rr // 3 + cc) % 9] + 1
    left = blanks
    while left > 0:
        r = rnd(9)
        c = rnd(9)
        if g[r][c] != 0:
            g[r][c] = 0
            left -= 1
    return g


def fits(g, r, c, d):
    for k in range(9):
        if g[r][k] == d or g[k][c] == d:
            return False
    top = r // 3 * 3
    left = c // 3 * 3
    for i in range(top, top + 3):
        for j in range(left, left + 3):
            if g[i][j] == d:
                return False
    return True


guesses = 0


def solve(g, start):
    global guesses
    p = start
    while p < 81 and g[p // 9][p % 9] != 0:
        p += 1
    if p == 81:
        return True
    r = p // 9
    c = p % 9
    for d in range(1, 10):
        if fits(g, r, c, d):
            g[r][c] = d
            guesses += 1
            if solve(g, p + 1):
                return True
    g[r][c] = 0
    return False


def valid(g):
    ok = True
    for n in range(9):
        row = set()
        col = set()
        box = set()
        for m in range(9):
            row.add(g[n][m])
            col.add(g[m][n])
            box.add(g[n // 3 * 3 + m // 3][n % 3 * 3 + m % 3])
        if len(row) + len(col) + len(box) != 27 or 0 in row:
            ok = False
    return ok


def show(g):
    for r in range(9):
        line = ""
        for c in range(9):
            v = g[r][c]
            line += "." if v == 0 else str(v)
            if c % 3 == 2 and c < 8:
                line += " "
        print(line)


all_guesses = 0
for puzzle in range(1, 13):
    grid = make_puzzle(50 + puzzle % 3)
    if puzzle == 1:
        show(grid)
    clues = sum(1 for row in grid for v in row if v != 0)
    guesses = 0
    solved = solve(grid, 0)
    all_guesses += guesses
    first_row = "".join(str(v) for v in grid[0])
    print(f"puzzle {puzzle}: {clues} clues, solved {'true' if solved else 'false'}, "
          f"valid {'true' if valid(grid) else 'false'}, guesses {guesses}, first row {first_row}")
    if puzzle == 1:
        show(grid)
print(f"guesses in all: {all_guesses}")
