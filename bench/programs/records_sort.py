# Records sorted by several keys: 15,000 generated staff records (name,
# department, age, salary) are sorted by department, salary descending and
# name, then by age and name, with per-department figures between.
seed = 4242


def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n


def show(r):
    return "(%s,%s,%d,%d)" % tuple(r)


firsts = ["Ada", "Bo", "Cy", "Di", "Ed", "Flo", "Gus", "Hal", "Ivy", "Jo", "Kim", "Lu"]
lasts = ["Moss", "Nash", "Oak", "Pike", "Quinn", "Reed", "Stone", "Tate", "Vale", "Wren"]
departments = ["sales", "ops", "dev", "legal", "hr"]
staff = []
for i in range(15000):
    name = firsts[rnd(12)] + " " + lasts[rnd(10)]
    dept = departments[rnd(5)]
    age = 20 + rnd(45)
    staff.append([name, dept, age, 30000 + rnd(90) * 500])
staff.sort(key=lambda r: (r[1], -r[3], r[0]))
print("by department, salary, name:")
for k in range(6):
    print("  " + show(staff[k]))
print("  ...")
print("  " + show(staff[-1]))

total = {}
heads = {}
top = {}
for r in staff:
    d = r[1]
    total[d] = total.get(d, 0) + r[3]
    heads[d] = heads.get(d, 0) + 1
    if d not in top:
        top[d] = r[0]
for d in sorted(total):
    print("%s: %d people, mean %d, best paid %s" % (d, heads[d], total[d] // heads[d], top[d]))

staff.sort(key=lambda r: (r[2], r[0], r[3], r[1]))
print("youngest: %s oldest: %s" % (show(staff[0]), show(staff[-1])))
same = 0
for k in range(1, len(staff)):
    if staff[k][2] == staff[k - 1][2] and staff[k][0] == staff[k - 1][0]:
        same += 1
print("neighbours with the same age and name: %d" % same)
staff.sort(key=lambda r: (r[3] // 10000, r[0], r[3], r[2], r[1]), reverse=True)
print("first by salary band then name, descending: " + show(staff[0]))
