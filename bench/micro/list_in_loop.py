# list declared in a loop body, per pass: twin of list_in_loop.mrv.
def run():
    for r in range(1000):
        for i in range(1000):
            l = []
    print((r + 1) * (i + 1))


run()
