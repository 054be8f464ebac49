# Twin of bst_index.mrv.
seed = 60606
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n
def wide(n):
    return (rnd(32768) * 32768 + rnd(32768)) % n

class Tree:
    def __init__(self):
        self.key = []
        self.left = []
        self.right = []
        self.size = []
        self.root = -1
    def count(self):
        return 0 if self.root < 0 else self.size[self.root]
    def node(self, k):
        i = len(self.key)
        self.key.append(k)
        self.left.append(-1)
        self.right.append(-1)
        self.size.append(1)
        return i
    def insert(self, k):
        if self.root < 0:
            self.root = self.node(k)
            return True
        key = self.key
        left = self.left
        right = self.right
        path = []
        at = self.root
        while True:
            here = key[at]
            if k == here:
                return False
            path.append(at)
            if k < here:
                if left[at] < 0:
                    left[at] = self.node(k)
                    break
                at = left[at]
            else:
                if right[at] < 0:
                    right[at] = self.node(k)
                    break
                at = right[at]
        for p in path:
            self.size[p] += 1
        return True
    def has(self, k):
        at = self.root
        while at >= 0:
            here = self.key[at]
            if k == here:
                return True
            at = self.left[at] if k < here else self.right[at]
        return False
    def sz(self, i):
        return 0 if i < 0 else self.size[i]
    def rank(self, k):
        r = 0
        at = self.root
        while at >= 0:
            if k <= self.key[at]:
                at = self.left[at]
            else:
                r += self.sz(self.left[at]) + 1
                at = self.right[at]
        return r
    def kth(self, i):
        at = self.root
        want = i
        while True:
            l = self.sz(self.left[at])
            if want < l:
                at = self.left[at]
            else:
                if want == l:
                    return self.key[at]
                want -= l + 1
                at = self.right[at]
    def floor(self, k):
        f = -1
        at = self.root
        while at >= 0:
            if self.key[at] <= k:
                f = self.key[at]
                at = self.right[at]
            else:
                at = self.left[at]
        return f
    def height(self):
        h = 0
        nodes = []
        depths = []
        if self.root >= 0:
            nodes.append(self.root)
            depths.append(1)
        while len(nodes) > 0:
            at = nodes.pop()
            d = depths.pop()
            if d > h:
                h = d
            if self.left[at] >= 0:
                nodes.append(self.left[at])
                depths.append(d + 1)
            if self.right[at] >= 0:
                nodes.append(self.right[at])
                depths.append(d + 1)
        return h
    def in_order(self):
        keys = []
        stack = []
        at = self.root
        while at >= 0 or len(stack) > 0:
            while at >= 0:
                stack.append(at)
                at = self.left[at]
            at = stack.pop()
            keys.append(self.key[at])
            at = self.right[at]
        return keys

odd = Tree()
even = Tree()
trees = [odd, even]
dupes = 0
for i in range(5000):
    k = wide(100000)
    t = trees[k % 2]
    if not t.insert(k):
        dupes += 1
print("sizes %d and %d, duplicates %d, heights %d and %d"
      % (odd.count(), even.count(), dupes, odd.height(), even.height()))

ops = ["has", "rank", "kth", "floor", "has", "floor"]
answers = {op: 0 for op in ops}
for q in range(3000):
    op = ops[rnd(6)]
    t = trees[rnd(2)]
    x = wide(100000)
    if op == "has":
        got = 1 if t.has(x) else 0
    elif op == "rank":
        got = t.rank(x)
    elif op == "kth":
        got = t.kth(x % t.count())
    elif op == "floor":
        got = t.floor(x)
    answers[op] = (answers[op] * 31 + got + 7) % 1000000007
print("answers:" + "".join(" %s=%d" % (op, answers[op]) for op in sorted(answers)))

a = odd.in_order()
b = even.in_order()
merged = []
i = 0
j = 0
while i < len(a) or j < len(b):
    if j >= len(b) or (i < len(a) and a[i] < b[j]):
        merged.append(a[i])
        i += 1
    else:
        merged.append(b[j])
        j += 1
shuffled = list(merged)
n = len(shuffled)
for s in range(n - 1, 0, -1):
    r = rnd(s + 1)
    shuffled[s], shuffled[r] = shuffled[r], shuffled[s]
tree_all = Tree()
for k in shuffled:
    tree_all.insert(k)
print("merged %d, height %d, median %d, rank of 50000 %d, first (%s)"
      % (tree_all.count(), tree_all.height(), tree_all.kth(n // 2), tree_all.rank(50000),
         ",".join(str(x) for x in merged[:5])))
