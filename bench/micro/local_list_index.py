# local list element, `l[i]`, inside a method: twin of local_list_index.mrv.
class Box:
    def __init__(self):
        self.vals = []

    def run(self):
        l = []
        for k in range(1000):
            l.append(k * 3)
        x = 0
        for r in range(1000):
            for i in range(1000):
                x = l[i]
        print(x)


b = Box()
b.run()
