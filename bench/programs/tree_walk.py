# Twin of tree_walk.mrv.
import sys
sys.setrecursionlimit(10000)
seed = 77
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n

root = {}
def grow(d, depth):
    dirs = 1 + rnd(4) if depth < 7 else 0
    for i in range(1, dirs + 1):
        name = "d%d%d" % (depth, i)
        d[name] = {}
        grow(d[name], depth + 1)
    for f in range(1, 1 + rnd(5) + 1):
        name = "f%d%d" % (depth, f)
        d[name] = {}
        d[name]['#'] = 1 + rnd(1000)
grow(root, 0)

def size_of(d):
    total = 0
    for name, sub in d.items():
        total += sub if name == '#' else size_of(sub)
    return total
def count_files(d):
    n = 0
    for name, sub in d.items():
        n += 1 if name == '#' else count_files(sub)
    return n
def deepest(d):
    m = 0
    for name, sub in d.items():
        if name != '#':
            m = max(m, 1 + deepest(sub))
    return m
def list_big(d, path, limit, found):
    for name, sub in d.items():
        if name != '#':
            if '#' in sub and sub['#'] > limit:
                found.append(path + "/" + name)
            list_big(sub, path + "/" + name, limit, found)
total = files = depth = 0
big = []
for r in range(20):
    total = size_of(root)
    files = count_files(root)
    depth = deepest(root)
    found = []
    list_big(root, "", 990, found)
    big = found
print("size %d, files %d, depth %d, big %d" % (total, files, depth, len(big)))
for i in range(min(len(big), 3)):
    print("  " + big[i])
