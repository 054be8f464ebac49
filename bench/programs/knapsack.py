# Twin of knapsack.mrv: the same loads, the table of best values as a list
# of lists, and the chosen items read back from it.
seed = 4004


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


kinds = ["rope", "tent", "lamp", "stove", "map", "boots", "knife", "kettle", "tarp", "radio", "flask",
         "saw", "net", "pump", "axe"]


def pack(items, limit):
    names = []
    weights = []
    values = []
    for i in range(1, items + 1):
        names.append(f"{kinds[rnd(15)]}{i}")
        weights.append(5 + rnd(56))
        values.append(10 + rnd(91))
    table = [[0] * (limit + 1) for _ in range(items + 1)]
    for i in range(1, items + 1):
        w = weights[i - 1]
        v = values[i - 1]
        for c in range(limit + 1):
            best = table[i - 1][c]
            if c >= w:
                best = max(best, table[i - 1][c - w] + v)
            table[i][c] = best
    chosen = []
    c = limit
    weight = 0
    for i in range(items, 0, -1):
        if table[i][c] != table[i - 1][c]:
            chosen.insert(0, names[i - 1])
            c -= weights[i - 1]
            weight += weights[i - 1]
    free_columns = 0
    for x in table[-1]:
        if x == table[items][limit]:
            free_columns += 1
    print(f"{items} items, limit {limit}: value {table[items][limit]}, weight {weight}, {len(chosen)} items taken, "
          f"best value reached from weight {limit + 1 - free_columns}")
    print(f"  ({','.join(chosen[:8])}) ...")


pack(60, 500)
pack(100, 1000)
pack(150, 1800)
