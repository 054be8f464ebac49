# Memoised recursion in dicts: the ways to pay amounts with a set of coins
# (memo under text keys "amount,coin"), partition numbers by largest part,
# and Collatz chain lengths (memo under int keys).
import sys

sys.setrecursionlimit(100000)
coins = [1, 2, 5, 10, 20, 50, 100, 200]
ways_memo = {}


def ways(amount, index):
    if amount == 0:
        return 1
    if amount < 0 or index < 0:
        return 0
    key = "%d,%d" % (amount, index)
    if key in ways_memo:
        return ways_memo[key]
    n = ways(amount - coins[index], index) + ways(amount, index - 1)
    ways_memo[key] = n
    return n


for amount in (100, 500, 1000, 2000, 3000):
    print("ways to pay %d: %d" % (amount, ways(amount, 7)))
print("memo entries: %d" % len(ways_memo))

parts_memo = {}


def parts(n, largest):
    if n == 0:
        return 1
    if largest == 0:
        return 0
    key = "%d:%d" % (n, largest)
    if key in parts_memo:
        return parts_memo[key]
    p = parts(n, largest - 1)
    if largest <= n:
        p += parts(n - largest, largest)
    parts_memo[key] = p
    return p


for n in (10, 50, 100, 200):
    print("partitions of %d: %d" % (n, parts(n, n)))

chain = {1: 1}


def chain_length(x):
    if x in chain:
        return chain[x]
    if x % 2 == 0:
        length = 1 + chain_length(x // 2)
    else:
        length = 1 + chain_length(3 * x + 1)
    chain[x] = length
    return length


best = 1
best_start = 1
for start in range(1, 100001):
    length = chain_length(start)
    if length > best:
        best = length
        best_start = start
print("longest chain below 100000 starts at %d with %d numbers; memo %d" % (best_start, best, len(chain)))
