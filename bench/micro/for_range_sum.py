# a for loop over a range whose body adds the loop variable: twin of
# for_range_sum.mrv.
def run():
    x = 0
    for r in range(1, 1001):
        for i in range(1, 1001):
            x += i
    print(x)


run()
