# Twin of user_less_sort.mrv.
seed = 1357


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


class Parcel:
    __slots__ = ("weight", "id")

    def __init__(self, w, i):
        self.weight = w
        self.id = i

    def __lt__(self, o):
        return self.weight < o.weight or (self.weight == o.weight and self.id < o.id)


parcels = [Parcel(rnd(500), i) for i in range(6000)]


def show(ps, label):
    bad = 0
    for k in range(1, len(ps)):
        if ps[k] < ps[k - 1]:
            bad += 1
    print(f"{label}: first {ps[0].weight}/{ps[0].id}, last {ps[-1].weight}/{ps[-1].id}, "
          f"middle {ps[3000].weight}/{ps[3000].id}, descents {bad}")


for rnd_no in range(3):
    parcels.sort()
    show(parcels, "up")
    for k in range(len(parcels)):
        j = rnd(len(parcels))
        parcels[k], parcels[j] = parcels[j], parcels[k]
    parcels.sort(reverse=True)
    show(parcels, "down")
    halves = [parcels[k] for k in range(3000)] + [parcels[5999 - k] for k in range(3000)]
    halves.sort()
    show(halves, "merged")
    parcels = halves
