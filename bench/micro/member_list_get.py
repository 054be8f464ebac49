# member list element, `vals.get(i)`, inside a method: twin of member_list_get.mrv.
class Box:
    def __init__(self):
        self.vals = []

    def run(self):
        for k in range(1000):
            self.vals.append(k * 3)
        x = 0
        for r in range(1000):
            for i in range(1000):
                x = self.vals[i]
        print(x)


b = Box()
b.run()
