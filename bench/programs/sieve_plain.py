# Sieve of Eratosthenes to 10^6 in a list of bools, written plainly: nested
# while loops strike the multiples, then the primes are counted, and counted
# again below a few limits. Twin of sieve_plain.mrv (same output).
n = 1000000
a = [None] * (n + 1)
i = 0
while i <= n:
    a[i] = True
    i += 1
a[0] = False
a[1] = False

i = 2
while i * i <= n:
    if a[i]:
        j = i * i
        while j <= n:
            a[j] = False
            j += i
    i += 1

count = 0
k = 0
while k <= n:
    if a[k]:
        count += 1
    k += 1
print("primes up to %d: %d" % (n, count))

# The count below each power of ten, from the same slots.
limit = 10
below = 0
k = 0
while limit <= n:
    while k < limit:
        if a[k]:
            below += 1
        k += 1
    print("below %d: %d" % (limit, below))
    limit *= 10

# The largest prime and the sum of the last ten.
k = n
while not a[k]:
    k -= 1
print("largest: %d" % k)
seen = 0
total = 0
while seen < 10:
    if a[k]:
        total += k
        seen += 1
    k -= 1
print("sum of the last ten: %d" % total)
