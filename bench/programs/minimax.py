# Twin of minimax.mrv: the same tic-tac-toe solves with a memo dict over a
# board of lists of lists, and the same take-away game on heaps.
lines = []
for i in range(3):
    lines.append([i, 0, i, 1, i, 2])
    lines.append([0, i, 1, i, 2, i])
lines.append([0, 0, 1, 1, 2, 2])
lines.append([0, 2, 1, 1, 2, 0])


def cell(b, r, c):
    return b[r][c]


def winner(b):
    for l in lines:
        x = cell(b, l[0], l[1])
        if x != " " and x == cell(b, l[2], l[3]) and x == cell(b, l[4], l[5]):
            return x
    return " "


def key(b, player):
    k = ""
    for row in b:
        for x in row:
            k += x
    return k + player


def free_cells(b):
    n = 0
    for row in b:
        for x in row:
            if x == " ":
                n += 1
    return n


memo = {}
misere = False
visits = 0


def score(b, player):
    global visits
    visits += 1
    k = key(b, player)
    if k in memo:
        return memo[k]
    w = winner(b)
    if w != " ":
        s = 1 if w == "X" else -1
        if misere:
            s = -s
    elif free_cells(b) == 0:
        s = 0
    else:
        next_player = "O" if player == "X" else "X"
        nxt = [row[:] for row in b]
        s = -2 if player == "X" else 2
        for r in range(3):
            for c in range(3):
                if cell(b, r, c) != " ":
                    continue
                nxt[r][c] = player
                v = score(nxt, next_player)
                nxt[r][c] = " "
                if player == "X" and v > s or player == "O" and v < s:
                    s = v
    memo[k] = s
    return s


def show(b):
    s = ""
    for row in b:
        for x in row:
            s += "." if x == " " else x
        s += "/"
    return s


def solve(rules):
    global misere, memo, visits
    misere = rules
    memo = {}
    visits = 0
    board = [[" ", " ", " "] for _ in range(3)]
    name = "misere" if misere else "normal"
    value = score(board, "X")
    print(f"{name}: value {value}, positions {len(memo)}, visits {visits}")
    firsts = ""
    for r in range(3):
        for c in range(3):
            board[r][c] = "X"
            firsts += f" {score(board, 'O')}"
            board[r][c] = " "
    print(f"  first moves:{firsts}")
    player = "X"
    while winner(board) == " " and free_cells(board) > 0:
        want = score(board, player)
        other = "O" if player == "X" else "X"
        done = False
        for r in range(3):
            for c in range(3):
                if cell(board, r, c) != " ":
                    continue
                board[r][c] = player
                if score(board, other) == want:
                    done = True
                    break
                board[r][c] = " "
            if done:
                break
        print(f"  {player} -> {show(board)}")
        player = other


solve(False)
solve(True)

wins = {}
nim_visits = 0


def nim_key(heaps):
    k = ""
    for h in sorted(heaps):
        k += f"{h},"
    return k


def to_move_wins(heaps):
    global nim_visits
    nim_visits += 1
    k = nim_key(heaps)
    if k in wins:
        return wins[k]
    left = sum(heaps)
    w = False
    if left == 0:
        w = True
    else:
        nxt = heaps[:]
        for i in range(len(nxt)):
            h = heaps[i]
            for take in range(1, min(3, h) + 1):
                nxt[i] = h - take
                if not to_move_wins(nxt):
                    w = True
                    break
            if w:
                break
            nxt[i] = h
    wins[k] = w
    return w


for start in ([3, 4, 5], [2, 5, 7, 9], [4, 6, 8, 10, 12], [5, 7, 9, 11, 13, 3]):
    nim_visits = 0
    w = to_move_wins(start)
    print(f"heaps ({','.join(str(h) for h in start)}): first player {'wins' if w else 'loses'}, "
          f"positions {len(wins)}, visits {nim_visits}")
