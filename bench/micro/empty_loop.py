# empty loop (the baseline of the others): twin of empty_loop.mrv. The
# twins loop with for over a range, the cheapest loop in Python, and inside
# a function, where variables are fast locals.
def run():
    for r in range(1000):
        for i in range(1000):
            pass
    print(r + 1, i + 1)


run()
