# Twin of heap_list.mrv: the same heap in a list and the same heap sort.
seed = 12345


def next_random(limit):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 16 % limit


def push(h, v):
    h.append(v)
    i = len(h) - 1
    while i > 0:
        p = (i - 1) // 2
        if h[p] <= v:
            break
        h[i] = h[p]
        i = p
    h[i] = v


def pop(h):
    top = h[0]
    v = h[-1]
    h.pop()
    n = len(h)
    if n == 0:
        return top
    i = 0
    c = 1
    while c < n:
        if c + 1 < n and h[c + 1] < h[c]:
            c += 1
        if v <= h[c]:
            break
        h[i] = h[c]
        i = c
        c = 2 * i + 1
    h[i] = v
    return top


heap = []
popped = 0
checksum = 0
k = 0
while k < 100000:
    push(heap, next_random(1000000))
    k += 1
    if k % 3 == 0:
        top = pop(heap)
        popped += 1
        checksum = (checksum * 31 + top) % 1000000007
print(f"pushed {k}, popped {popped}, left {len(heap)}")
last = -1
disorder = 0
while len(heap) > 0:
    top = pop(heap)
    if top < last:
        disorder += 1
    last = top
    checksum = (checksum * 31 + top) % 1000000007
print(f"drained in order: {'true' if disorder == 0 else 'false'}, largest {last}, checksum {checksum}")


def sift(w, start, n):
    i = start
    v = w[i]
    c = 2 * i + 1
    while c < n:
        if c + 1 < n and w[c] < w[c + 1]:
            c += 1
        if w[c] <= v:
            break
        w[i] = w[c]
        i = c
        c = 2 * i + 1
    w[i] = v


syllables = ["ka", "lo", "mi", "nu", "pe", "ra", "si", "to", "ve", "zu", "an", "el", "or"]
words = []
k = 0
while k < 20000:
    a = syllables[next_random(13)]
    b = syllables[next_random(13)]
    c = syllables[next_random(13)]
    words.append(a + b + c)
    k += 1
n = len(words)
for k in range(n // 2 - 1, -1, -1):
    sift(words, k, n)
for k in range(n - 1, 0, -1):
    words[0], words[k] = words[k], words[0]
    sift(words, 0, k)
unsorted = sum(1 for k in range(1, n) if words[k] < words[k - 1])
print(f"words {n}, out of order {unsorted}")
print(f"first {words[0]}, middle {words[n // 2]}, last {words[-1]}")
