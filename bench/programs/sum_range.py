# Sums over ranges: the plain sum, a sum of squares, a descending walk, a
# range among other values, a nested pair of ranges and chars in a range.
from itertools import chain

s = 0
for i in range(1, 1000001):
    s += i
print("sum 1..10^6: %d" % s)

squares = 0
for i in range(1, 300001):
    squares += i * i
print("sum of squares: %d" % squares)

alternating = 0
for i in range(400000, 0, -1):
    if i % 2 == 0:
        alternating += i
    else:
        alternating -= i
print("alternating: %d" % alternating)

mixed = 0
seen = 0
for x in chain((0,), range(3, 200001), (7, 9)):
    mixed += x % 11
    seen += 1
print("mixed: %d over %d values" % (mixed, seen))

pairs = 0
for a in range(1, 401):
    for b in range(a, 401):
        if (a + b) % 7 == 0:
            pairs += 1
print("pairs: %d" % pairs)

letters = 0
for rnd in range(2000):
    for c in range(ord('a'), ord('z') + 1):
        letters += c
print("letters: %d" % letters)

up = 0
for i in range(10, 5):
    up += 1
for i in range(5, 10, -1):
    up += 1
for i in range(3, 4):
    up += 100
print("empty directions: %d" % up)
