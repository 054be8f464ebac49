# An LRU cache: a dict from key to value and a doubly linked list of keys
# kept in two dicts (before and after), with the sentinels -1 (front) and
# -2 (back). Five capacities, 20,000 skewed requests each.
class Lru:
    def reset(self, cap):
        self.capacity = cap
        self.size = 0
        self.hits = 0
        self.misses = 0
        self.evictions = 0
        self.value = {}
        self.before = {}
        self.after = {}
        self.after[-1] = -2
        self.before[-2] = -1

    def unlink(self, k):
        p = self.before[k]
        n = self.after[k]
        self.after[p] = n
        self.before[n] = p

    def push_front(self, k):
        n = self.after[-1]
        self.after[-1] = k
        self.before[k] = -1
        self.after[k] = n
        self.before[n] = k

    def drop_last(self):
        k = self.before[-2]
        self.unlink(k)
        del self.value[k]
        del self.before[k]
        del self.after[k]
        self.size -= 1
        self.evictions += 1

    def fetch(self, k):
        if k in self.value:
            self.hits += 1
            v = self.value[k]
            self.unlink(k)
            self.push_front(k)
        else:
            self.misses += 1
            v = k * 31 % 1009
            if self.size == self.capacity:
                self.drop_last()
            self.value[k] = v
            self.push_front(k)
            self.size += 1
        return v

    def order(self, limit):
        s = ""
        k = self.after[-1]
        shown = 0
        while k != -2 and shown < limit:
            s += "%d " % k
            k = self.after[k]
            shown += 1
        return s


seed = 12345


def next_key():
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    r = seed // 65536 % 1000
    # Most requests go to a small hot set, the rest anywhere in 0..999.
    return r % 60 if r < 700 else r


cache = Lru()
checksum = 0
for cap in (16, 64, 128, 256, 512):
    cache.reset(cap)
    seed = 12345 + cap
    total = 0
    for i in range(1, 20001):
        total += cache.fetch(next_key())
    checksum += total
    print("capacity %d: hits %d misses %d evictions %d sum %d" % (cap, cache.hits, cache.misses, cache.evictions, total))
    print("  front: " + cache.order(8))
print("checksum %d" % checksum)
