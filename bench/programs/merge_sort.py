# Twin of merge_sort.mrv: the same two merge sorts on lists.
import sys

sys.setrecursionlimit(10000)
seed = 2024


def next_random(limit):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 16 % limit


def numbers(n):
    return [next_random(1000000) for _ in range(n)]


def sort_count(a, lo, hi):
    if hi - lo == 1:
        return [a[lo]], 0
    mid = (lo + hi) // 2
    left, l_inv = sort_count(a, lo, mid)
    right, r_inv = sort_count(a, mid, hi)
    inversions = l_inv + r_inv
    out = []
    i = j = 0
    nl, nr = len(left), len(right)
    while i < nl and j < nr:
        if right[j] < left[i]:
            out.append(right[j])
            inversions += nl - i
            j += 1
        else:
            out.append(left[i])
            i += 1
    while i < nl:
        out.append(left[i])
        i += 1
    while j < nr:
        out.append(right[j])
        j += 1
    return out, inversions


def merge_pass(src, dst, w):
    n = len(src)
    lo = 0
    while lo < n:
        mid = min(lo + w, n)
        hi = min(lo + 2 * w, n)
        i, j, k = lo, mid, lo
        while k < hi:
            if j >= hi or (i < mid and src[i] <= src[j]):
                dst[k] = src[i]
                i += 1
            else:
                dst[k] = src[j]
                j += 1
            k += 1
        lo = hi


def checksum(l):
    s = 0
    for v in l:
        s = (s * 31 + v) % 1000000007
    return s


data = numbers(40000)
sorted_, inversions = sort_count(data, 0, len(data))
print(f"recursive: {len(sorted_)} elements, {inversions} inversions, checksum {checksum(sorted_)}")
print(f"smallest {sorted_[0]}, median {sorted_[len(sorted_) // 2]}, largest {sorted_[-1]}")

a = numbers(60000)
b = list(a)
w = 1
passes = 0
while w < len(a):
    if passes % 2 == 0:
        merge_pass(a, b, w)
    else:
        merge_pass(b, a, w)
    passes += 1
    w *= 2
if passes % 2 == 1:
    a = b
bad = sum(1 for i in range(1, len(a)) if a[i] < a[i - 1])
print(f"bottom-up: {passes} passes, out of order {bad}, checksum {checksum(a)}")
