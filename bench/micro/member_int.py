# int member read inside a method: twin of member_int.mrv.
class Box:
    def __init__(self):
        self.n = 7

    def run(self):
        x = 0
        for r in range(1000):
            for i in range(1000):
                x = self.n
        print(x)


b = Box()
b.run()
