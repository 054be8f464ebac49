# Twin of spreadsheet.mrv.
import sys
sys.setrecursionlimit(10000)
seed = 4040
def rnd(n):
    global seed
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed // 65536 % n
MOD = 1000003
columns = ["A", "B", "C", "D", "E", "F", "G", "H"]
rows = 50

def isint(s):
    return s.lstrip("-").isdigit()

class Sheet:
    def __init__(self, title):
        self.title = title
        self.formula = {}
        self.cache = {}
        self.evaluations = 0
    def value(self, cell):
        if cell in self.cache:
            return self.cache[cell]
        self.evaluations += 1
        f = self.formula[cell]
        w = f.split()
        value = self.value
        if len(w) == 1:
            v = int(f)
        else:
            op = w[0]
            if op == "ADD":
                v = (value(w[1]) + value(w[2])) % MOD
            elif op == "SUB":
                v = (value(w[1]) - value(w[2])) % MOD
            elif op == "MUL":
                v = value(w[1]) * value(w[2]) % MOD
            elif op == "DIV":
                d = value(w[2])
                v = 0 if d == 0 else value(w[1]) // d
            elif op == "SUM":
                v = self.span(w[1], w[2], "SUM")
            elif op == "MAX":
                v = self.span(w[1], w[2], "MAX")
            elif op == "MIN":
                v = self.span(w[1], w[2], "MIN")
            elif op == "IF":
                v = value(w[2]) if value(w[1]) % 2 == 1 else value(w[3])
            elif op == "NEG":
                v = (MOD - value(w[1])) % MOD
        self.cache[cell] = v
        return v
    def span(self, a, b, how):
        col = a[0]
        frm = int(a[1:])
        to = int(b[1:])
        v = self.value(a)
        for r in range(frm + 1, to + 1):
            x = self.value(col + str(r))
            if how == "SUM":
                v = (v + x) % MOD
            elif how == "MAX":
                if x > v:
                    v = x
            elif how == "MIN":
                if x < v:
                    v = x
        return v
    def recompute(self):
        self.cache = {}
    def total(self):
        t = 0
        for r in range(1, rows + 1):
            for c in columns:
                t = (t * 7 + self.value(c + str(r))) % MOD
        return t

def cell_name(col, row):
    return columns[col] + str(row)
ops = ["ADD", "SUB", "MUL", "DIV", "SUM", "MAX", "MIN", "IF", "NEG", "ADD", "SUM"]
def random_formula(row):
    if row <= 3 or rnd(5) == 0:
        return str(rnd(1000))
    op = ops[rnd(11)]
    if op in ("SUM", "MAX", "MIN"):
        a = 1 + rnd(row - 2)
        b = a + 1 + rnd(row - 1 - a)
        col = rnd(8)
        return op + " " + cell_name(col, a) + " " + cell_name(col, b)
    if op == "NEG":
        return op + " " + cell_name(rnd(8), 1 + rnd(row - 1))
    if op == "IF":
        f = op
        for k in range(3):
            f = f + " " + cell_name(rnd(8), 1 + rnd(row - 1))
        return f
    f = op + " " + cell_name(rnd(8), 1 + rnd(row - 1))
    return f + " " + cell_name(rnd(8), 1 + rnd(row - 1))

budget = Sheet("budget")
forecast = Sheet("forecast")
sheets = [budget, forecast]
for s in sheets:
    for r in range(1, rows + 1):
        for c in range(8):
            s.formula[cell_name(c, r)] = random_formula(r)
inputs = sorted(name for name, f in budget.formula.items() if isint(f))
print("cells %d, inputs of the budget %d, H50 is %s" % (len(budget.formula), len(inputs), budget.formula["H50"]))

for rnd_no in range(1, 51):
    for s in sheets:
        for j in range(4):
            cell = inputs[rnd(len(inputs))]
            if isint(s.formula[cell]):
                s.formula[cell] = str(rnd(1000))
        s.recompute()
        t = s.total()
        if rnd_no % 10 == 0:
            print("round %d %s: total %d, H50 = %d, A50 = %d, evaluations %d"
                  % (rnd_no, s.title, t, s.value("H50"), s.value("A50"), s.evaluations))
for s in sheets:
    sums = []
    for c in range(8):
        total = 0
        for r in range(1, rows + 1):
            total += s.value(cell_name(c, r))
        sums.append(total)
    print(s.title + " column sums:" + "".join(" %d" % x for x in sums))
