# The same work as user_calls.mrv, for comparison.
def add3(a, b, c):
    return a + b + c


total = 0


def tally(by):
    global total
    t = by + 1
    total += t


i = 0
s = 0
while i < 1000000:
    s += add3(i, 2, 3)
    tally(i)
    i += 1
print(s, total)
