# call of a user function, one int parameter: twin of call_1_param.mrv.
def pass_on(a):
    return a


def run():
    x = 0
    for r in range(1000):
        for i in range(1000):
            x = pass_on(i)
    print(x)


run()
