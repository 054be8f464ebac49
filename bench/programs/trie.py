# Twin of trie.mrv: the same trie of nested dicts, walked by rebinding a
# name to the node below; the key "$" counts the words that end there.
seed = 8080


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


onsets = ["b", "br", "c", "ch", "d", "f", "g", "gr", "h", "k", "l", "m", "n", "p", "pl", "r", "s", "st",
          "t", "tr", "v", "w"]
vowels = ["a", "e", "i", "o", "u", "ea", "ou"]
codas = ["", "", "n", "r", "s", "t", "ck", "nd", "ll", "m"]


def syllable():
    a = onsets[rnd(22)]
    b = vowels[rnd(7)]
    c = codas[rnd(10)]
    return a + b + c


vocabulary = []
for made in range(3000):
    w = syllable()
    more = rnd(3)
    for j in range(more):
        w += syllable()
    vocabulary.append(w)

trie = {}


def insert(root, word):
    node = root
    for c in word:
        if c not in node:
            node[c] = {}
        node = node[c]
    node["$"] = node.get("$", 0) + 1


for inserted in range(60000):
    pick = rnd(3000)
    if rnd(2) == 0:
        pick = pick // 10
    insert(trie, vocabulary[pick])


def nodes_below(node):
    n = 1
    for k, v in node.items():
        if k != "$":
            n += nodes_below(v)
    return n


def words_below(node):
    n = 0
    for k, v in node.items():
        if k == "$":
            n += 1
        else:
            n += words_below(v)
    return n


print(f"nodes {nodes_below(trie)}, distinct words {words_below(trie)}, first letters {len(trie)}")


def collect(node, prefix, found):
    for k, v in node.items():
        if k == "$":
            found.append((v, prefix))
        else:
            collect(v, prefix + k, found)


completed = 0
unknown = 0
offered = 0
for q in range(1, 501):
    word = vocabulary[rnd(3000)]
    prefix = word[:min(len(word), 1 + rnd(4))]
    node = trie
    known = True
    for c in prefix:
        if c not in node:
            known = False
            break
        node = node[c]
    if not known:
        unknown += 1
        continue
    found = []
    collect(node, prefix, found)
    found.sort(key=lambda f: (-f[0], f[1]))
    completed += 1
    offered += len(found)
    if q % 50 == 0:
        shown = "".join(f" {f[1]}={f[0]}" for f in found[:4])
        print(f"{prefix}: {len(found)} words,{shown}")
print(f"completed {completed}, unknown {unknown}, words offered {offered}")
