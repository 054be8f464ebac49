# The same work as calls_mixed.mrv, for comparison.
class Counter:
    def __init__(self):
        self.n = 0

    def bump(self, by):
        self.n += by

    def get(self):
        return self.n


def weigh(a, b, c):
    return a + b + len(c)


c = Counter()
l = []
i = 0
s = 0
while i < 1000000:
    c.bump(2)
    s += weigh(i, 2, "ab")
    l.append(i)
    s += len(l) - l[i]
    i += 1
print(c.get(), s)
