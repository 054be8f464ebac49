# Twin of levenshtein.mrv: the same dictionary and queries, edit distances
# with two rows of a table and min().
seed = 31


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


parts = ["an", "ber", "cal", "do", "el", "fin", "gar", "ho", "is", "jun", "ka", "lor", "men", "no",
         "or", "pel", "qua", "ri", "sen", "tor", "ul", "ven", "wi", "xa", "yo", "zer"]


def make_word():
    w = ""
    count = 2 + rnd(3)
    for k in range(count):
        w += parts[rnd(len(parts))]
    return w


seen = set()
dictionary = []
while len(dictionary) < 400:
    w = make_word()
    if w not in seen:
        seen.add(w)
        dictionary.append(w)
dictionary.sort()


def misspell(w):
    at = rnd(len(w) - 1)
    kind = rnd(4)
    if kind == 0:
        return w[:at] + w[at + 1:]
    if kind == 1:
        return w[:at] + w[at] + w[at:]
    if kind == 2:
        return w[:at] + w[at + 1] + w[at] + w[at + 2:]
    return w[:at] + chr(ord("a") + rnd(26)) + w[at + 1:]


def distance(a, b):
    n = len(b)
    prev = list(range(n + 1))
    cur = prev[:]
    for i in range(1, len(a) + 1):
        cur[0] = i
        ca = a[i - 1]
        for j in range(1, n + 1):
            change = prev[j - 1]
            if ca != b[j - 1]:
                change += 1
            cur[j] = min(prev[j] + 1, cur[j - 1] + 1, change)
        prev, cur = cur, prev
    return prev[n]


exact = 0
total = 0
for q in range(1, 41):
    word = dictionary[rnd(len(dictionary))]
    query = misspell(word)
    scored = [(distance(query, w), w) for w in dictionary]
    scored.sort()
    best = scored[0][0]
    total += best
    near = []
    for s in scored:
        if s[0] <= best + 1 and len(near) < 4:
            near.append(s[1])
    if near[0] == word:
        exact += 1
    if q % 4 == 0:
        print(f"{query} (from {word}): {best} ({','.join(near)})")
print(f"first suggestion right: {exact} of 40, total distance {total}")
