# Twin of huffman.mrv: the same text, tree nodes ordered by their own __lt__
# in a binary heap kept in a list, the same codes, encoding and decoding.
seed = 2718


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


class HNode:
    def __init__(self, weight=0, order=0, sym="", left=-1, right=-1):
        self.weight = weight
        self.order = order
        self.sym = sym
        self.left = left
        self.right = right

    def __lt__(self, o):
        return self.weight < o.weight or self.weight == o.weight and self.order < o.order


def push(heap, n):
    heap.append(n)
    i = len(heap) - 1
    while i > 0:
        p = (i - 1) // 2
        if not (n < heap[p]):
            break
        heap[i] = heap[p]
        i = p
    heap[i] = n


def pop(heap):
    top = heap[0]
    last = heap.pop()
    n = len(heap)
    i = 0
    c = 1
    while c < n:
        if c + 1 < n and heap[c + 1] < heap[c]:
            c += 1
        if not (heap[c] < last):
            break
        heap[i] = heap[c]
        i = c
        c = 2 * i + 1
    if n > 0:
        heap[i] = last
    return top


words = ["the", "a", "of", "and", "to", "in", "is", "was", "that", "for", "river", "stone", "quick",
         "morning", "village", "yellow", "jazz", "zephyr", "bridge", "whisper", "oxen", "kettle"]
pieces = []
length = 0
while length < 120000:
    a = rnd(len(words))
    b = rnd(len(words))
    word = words[a * b // len(words)]
    kind = rnd(12)
    if kind == 0:
        end = ". "
    elif kind == 1:
        end = ",\n"
    else:
        end = " "
    pieces.append(word + end)
    length += len(word) + len(end)
text = "".join(pieces)

counts = {}
for ch in text:
    counts[ch] = counts.get(ch, 0) + 1
symbols = sorted(counts)
heap = []
order = 0
for s in symbols:
    push(heap, HNode(counts[s], order, s))
    order += 1
tree = []
while len(heap) > 1:
    a = pop(heap)
    b = pop(heap)
    joined = HNode(a.weight + b.weight, order)
    order += 1
    tree.append(a)
    tree.append(b)
    joined.left = len(tree) - 2
    joined.right = len(tree) - 1
    push(heap, joined)
tree.append(pop(heap))
root = len(tree) - 1

codes = {}


def assign(at, prefix):
    n = tree[at]
    if n.left < 0:
        codes[n.sym] = prefix
        return
    assign(n.left, prefix + "0")
    assign(n.right, prefix + "1")


assign(root, "")


def shown(c):
    if c == " ":
        return "space"
    if c == "\n":
        return "newline"
    return c


symbols.sort(key=lambda s: (len(codes[s]), s))
print(f"{len(text)} characters, {len(symbols)} symbols, {len(tree)} tree nodes")
for k in range(10):
    s = symbols[k]
    print(f"{shown(s):<8}{counts[s]:>7}{codes[s]:>16}")
print("...")
print(f"longest: {shown(symbols[-1])} {codes[symbols[-1]]}")

bits = "".join(codes[ch] for ch in text)
print(f"encoded in {len(bits)} bits, {len(bits) * 100 // (8 * len(text))}% of 8-bit text")

back = []
at = root
for b in bits:
    n = tree[at]
    at = n.left if b == "0" else n.right
    nxt = tree[at]
    if nxt.left < 0:
        back.append(nxt.sym)
        at = root
back = "".join(back)
print(f"decoded {len(back)} characters, same as the text: {'true' if back == text else 'false'}")
