# Bowling scores: games are generated in the usual notation (X strike,
# / spare, - miss) and a parser turns each text into rolls and scores it.
seed = 2024


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


def first_mark(pins):
    if pins == 10:
        return "X"
    if pins == 0:
        return "-"
    return str(pins)


def second_mark(before, pins):
    if before + pins == 10:
        return "/"
    return "-" if pins == 0 else str(pins)


def make_game():
    g = ""
    for frame in range(1, 11):
        a = rnd(11)
        if a == 10:
            g += "X"
            if frame == 10:
                b = rnd(11)
                if b == 10:
                    g += "X" + first_mark(rnd(11))
                else:
                    g += first_mark(b) + second_mark(b, rnd(11 - b))
        else:
            b = rnd(11 - a)
            g += first_mark(a) + second_mark(a, b)
            if frame == 10 and a + b == 10:
                g += first_mark(rnd(11))
        if frame < 10:
            g += " "
    return g


def rolls_of(g):
    rolls = []
    previous = 0
    for c in g:
        if c == ' ':
            pass
        elif c == 'X':
            rolls.append(10)
            previous = 0
        elif c == '/':
            rolls.append(10 - previous)
            previous = 0
        elif c == '-':
            rolls.append(0)
            previous = 0
        else:
            previous = ord(c) - ord('0')
            rolls.append(previous)
    return rolls


def score(g):
    r = rolls_of(g)
    total = 0
    i = 0
    for frame in range(1, 11):
        if r[i] == 10:
            total += 10 + r[i + 1] + r[i + 2]
            i += 1
        else:
            if r[i] + r[i + 1] == 10:
                total += 10 + r[i + 2]
            else:
                total += r[i] + r[i + 1]
            i += 2
    return total


games = 6000
total_sum = 0
best = -1
worst = 1000
best_game = ""
buckets = [0] * 7
for n in range(1, games + 1):
    g = make_game()
    s = score(g)
    if n <= 5:
        print("%s = %d" % (g, s))
    total_sum += s
    if s > best:
        best = s
        best_game = g
    if s < worst:
        worst = s
    buckets[s // 50] += 1
print("games %d total %d best %d worst %d" % (games, total_sum, best, worst))
print("best game: " + best_game)
for k in range(7):
    print("%d-%d: %d" % (k * 50, k * 50 + 49, buckets[k]))
print("perfect: %d all spares: %d" % (score("X X X X X X X X X XXX"), score("5/ 5/ 5/ 5/ 5/ 5/ 5/ 5/ 5/ 5/5")))
