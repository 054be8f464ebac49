# call of a user function, four int parameters: twin of call_4_params.mrv.
def pass_on(a, b, c, d):
    return d


def run():
    x = 0
    for r in range(1000):
        for i in range(1000):
            x = pass_on(1, 2, 3, i)
    print(x)


run()
