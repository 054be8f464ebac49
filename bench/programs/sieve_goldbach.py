# A sieve to 10^6 in a list, then what it tells: prime counts below the
# powers of ten, twin primes, the gaps between primes (a histogram kept in
# a second list), and Goldbach checks of the even numbers.
# Twin of sieve_goldbach.mrv (same output).
n = 1000000
s = [None] * (n + 1)
i = 0
while i <= n:
    s[i] = i % 2 == 1
    i += 1
s[1] = False
s[2] = True
i = 3
while i * i <= n:
    if s[i]:
        j = i * i
        while j <= n:
            s[j] = False
            j += 2 * i
    i += 2

# Counts below the powers of ten, and by the last digit.
count = 0
limit = 10
digits = [None] * 10
i = 0
while i < 10:
    digits[i] = 0
    i += 1
i = 0
while i <= n:
    if i == limit:
        print("pi(%d) = %d" % (limit, count))
        limit *= 10
    if s[i]:
        count += 1
        digits[i % 10] += 1
    i += 1
print("primes in all: %d" % count)
line = "last digits:"
i = 0
while i < 10:
    if digits[i] > 0:
        line += " %d:%d" % (i, digits[i])
    i += 1
print(line)

# The primes in order, in a list of their own.
p = [None] * count
k = 0
i = 2
while i <= n:
    if s[i]:
        p[k] = i
        k += 1
    i += 1

# Twin primes and the gaps between neighbours.
twins = 0
widest = 0
widest_at = 0
gaps = [None] * 200
i = 0
while i < 200:
    gaps[i] = 0
    i += 1
k = 1
while k < count:
    gap = p[k] - p[k - 1]
    gaps[gap] += 1
    if gap == 2:
        twins += 1
    if gap > widest:
        widest = gap
        widest_at = p[k - 1]
    k += 1
print("twin pairs: %d" % twins)
print("widest gap: %d after %d" % (widest, widest_at))
line = "commonest gaps:"
shown = 0
while shown < 5:
    best = 0
    i = 1
    while i < 200:
        if gaps[i] > gaps[best]:
            best = i
        i += 1
    line += " %dx%d" % (best, gaps[best])
    gaps[best] = -gaps[best]
    shown += 1
print(line)

# Goldbach: the smallest prime q with m - q prime, for every even m.
m = 4
hardest = 0
hardest_at = 0
q_sum = 0
while m <= 200000:
    k = 0
    while not s[m - p[k]]:
        k += 1
    q_sum += p[k]
    if p[k] > hardest:
        hardest = p[k]
        hardest_at = m
    m += 2
print("goldbach to 200000: largest smallest part %d at %d, sum %d" % (hardest, hardest_at, q_sum))

# The number of ways for a few large even numbers.
m = 1000000
while m >= 999990:
    ways = 0
    k = 0
    while 2 * p[k] <= m:
        if s[m - p[k]]:
            ways += 1
        k += 1
    print("%d = p + q in %d ways" % (m, ways))
    m -= 2
