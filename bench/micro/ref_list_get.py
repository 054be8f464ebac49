# list element through a reference, `r.get(i)` after `r @ l`: twin of
# ref_list_get.mrv; a Python name is always a reference.
def run():
    l = []
    for k in range(1000):
        l.append(k * 3)
    v = l
    x = 0
    for r in range(1000):
        for i in range(1000):
            x = v[i]
    print(x)


run()
