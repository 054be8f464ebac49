# Twin of particles.mrv: the same particles, moved through their
# attributes, bounced and replaced in the same order.
seed = 4242


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


class Particle:
    def __init__(self, a, b, c, d):
        self.x = a
        self.y = b
        self.vx = c
        self.vy = d
        self.age = 0

    def energy(self, k):
        return self.vx * self.vx + self.vy * self.vy + k


size = 10000


def fresh(k):
    a = rnd(size)
    b = rnd(size)
    c = rnd(61) - 30
    d = rnd(61) - 30
    return Particle(a, b, c, d)


parts = [fresh(i) for i in range(1, 401)]

replaced = 0
for step in range(1, 401):
    for p in parts:
        p.x += p.vx
        p.y += p.vy
        p.age += 1
        if p.x < 0:
            p.x = -p.x
            p.vx = -p.vx
        if p.x >= size:
            p.x = 2 * size - 2 - p.x
            p.vx = -p.vx
        if p.y < 0:
            p.y = -p.y
            p.vy = -p.vy
        if p.y >= size:
            p.y = 2 * size - 2 - p.y
            p.vy = -p.vy
    n = len(parts)
    for i in range(0, n - 1):
        dx = parts[i].x - parts[i + 1].x
        dy = parts[i].y - parts[i + 1].y
        if dx * dx + dy * dy < 250000:
            j = i
            if parts[i + 1].age > parts[i].age:
                j = i + 1
            parts[j] = fresh(j)
            replaced += 1
    if step % 100 == 0:
        total = 0
        minx = size
        maxx = 0
        for i in range(0, n):
            total += parts[i].energy(0)
            if parts[i].x < minx:
                minx = parts[i].x
            if parts[i].x > maxx:
                maxx = parts[i].x
        print(f"step {step}: energy {total}, x from {minx} to {maxx}, replaced {replaced}")
oldest = 0
for p in parts:
    if p.age > oldest:
        oldest = p.age
print(f"oldest {oldest}")
