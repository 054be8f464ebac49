# list element, `l.get(i)`: twin of list_get.mrv.
def run():
    l = []
    for k in range(1000):
        l.append(k * 3)
    x = 0
    for r in range(1000):
        for i in range(1000):
            x = l[i]
    print(x)


run()
