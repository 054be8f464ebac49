# method call of a user type, one int parameter: twin of method_call.mrv.
class Box:
    def __init__(self):
        self.n = 0

    def pass_on(self, a):
        return a


def run():
    b = Box()
    x = 0
    for r in range(1000):
        for i in range(1000):
            x = b.pass_on(i)
    print(x)


run()
