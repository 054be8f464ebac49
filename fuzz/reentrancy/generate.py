#!/usr/bin/env python3
"""Writes random Morvu programs whose calls change, in the middle of an
operation, the containers, objects and variables that the operation uses.

Every program declares the same world of globals (lists, hashes, arrays, an
array2, a graph, a set, any variables holding containers and objects,
references into elements, objects of two user types) and a procedure
`reset` that rebuilds it. Its routines (functions, procedures with alias
parameters, methods and operators of the user types) run a few random
mutations of that world (clear, del, a new value, `~`, `@`) and then go on
using what they hold. The main block runs a handful of trial statements in
which those routines are called from arguments, indexes, operands and
receivers of expressions over the same globals, each trial in a short loop
that rebuilds the world first, so that cached handlers are exercised too.

A language error is an ordinary outcome: every statement is followed by a
catch. The counters `trials_ok` and `trials_failed` are printed at the end,
so the driver can tell how deep the programs reach.

A program is a function of its seed text alone:
    generate.py SEED [INDEX]      prints the program of seed "SEED:INDEX"
The replayed corpus fuzz/corpus/reentrancy starts with programs of the seed
"corpus" that run clean: generated_corpus_<i>.mrv is `generate.py corpus <i>`.
"""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from program_tools import pick_weighted  # noqa: E402

# Words that the in-process replay target skips a program for; no program
# written here contains them.
OUTSIDE_WORDS = ("system", "exit", "assert", "file", "dir", "need", "cwd", "sys:")

WORLD = """\
any e
int trials_ok
int trials_failed
int i0
int n
str gs
list L
list M
list LT
list LN
hash H
hash HT
array A(3)
array AT(3)
array2 Z(2, 2)
graph GR
set S
any Y
any YH
any YT
int ri
int rh
int ial
any ra
any2 P
"""

# Rebuilds the world; every line may fail (a value that is walked or
# referenced may refuse a new one), so each is followed by a catch.
RESET_LINES = [
    "n = 1",
    'gs = "abc"',
    "L = list:(1, 2, 0)",
    'M = list:("abc", "de", "f")',
    "t0 = fresh_t",
    "t1 = fresh_t",
    "u0 = fresh_u",
    "t0.v = 1",
    "t1.v = 2",
    "t0.lm = list:(1, 0, 2)",
    "t1.lm = list:(2, 1)",
    "u0.lm = list:(0, 1)",
    "t0.next = t1",
    "LT = list:()",
    "LT.Ins0(t0, t1, u0)",
    "LN = list:()",
    "LN.Ins0(L, M, t0.lm)",
    "H = hash:()",
    'H.ins(0, 1, 1, 2, 2, 0, "a", 1)',
    "HT = hash:()",
    'HT.ins(0, t0, 1, t1, "a", u0)',
    "A = array:(3, 1, 2, 0)",
    "AT = array:(3, t0, t1, u0)",
    "Z = array2:(2, 2, 1, 0, 1, 2)",
    "GR = graph:(1, 2, 0)",
    "GR.ins(any2:(0, 1), 1, any2:(1, 2), 2)",
    "S = set:(0, 1, 2)",
    "Y = list:(1, 2, 0)",
    "YH = hash:()",
    'YH.ins(0, 2, 1, 1, "a", 0)',
    "YT = t1",
    "ri @ L[1]",
    "rh @ H[0]",
    "ra @ LT[0]",
    "ial $ L[2]",
    "P = any2:(1, t0)",
]

# Mutations of the world, anywhere (functions, procedures, methods, operators).
GLOBAL_MUTATIONS = [
    "L.clear()", "L.del()", "L = list:(7)", "L.del0()", "L.del(0)", "L[0] = 2",
    "L.ins(0, 5)", "M ~ L", "L ~ M", "L.sort()", "L.flip()", "Y @ L",
    "M.clear()", "M.del(0)", 'M = list:("x")', 'M[0] = "q"',
    "LT.clear()", "LT.del()", "LT.del(0)", "LT.del0()", "LT[0] = t1", "LT = list:()",
    "LT.sort()", "LT.ins(0, u0)", "LT[0] ~ t1", "LT[0].lm.clear()", "LT[0] = 3",
    "LN.clear()", "LN.del(0)", "LN[0].clear()", "LN[0] = 1",
    "H.del(0)", "H.clear()", "H.del()", "H[0] = 3", "H = hash:()", 'H.del("a")',
    "HT.del(0)", 'HT.del("a")', "HT.clear()", "HT[0] = t1", "HT[0] = 1",
    "A.del(0)", "A.del()", "A[0] = 2", "A = array:(1)",
    "AT.del(0)", "AT.del()", "AT[0] = t1", "AT[0] = 0",
    "Z.del(0, 0)", "Z.del()", "Z[0, 0] = 2", "Z = array2:(1, 1)",
    "GR.del(0)", "GR.del()", "GR[0] = 2", "GR = graph:(0)", "GR.del(any2:(0, 1))",
    "S.del(0)", "S.del()", "S = set:()", "S.ins(3)",
    "Y = 5", "Y = list:(0)", "Y ~ L", "Y @ M", "Y.clear()", "Y.del()", "Y = t0",
    "YH = 1", "YH.del(0)", "YH.clear()", "YH ~ H",
    "YT = 1", "YT @ t1", "YT.del()", "YT = u0", "YT.lm.clear()",
    "t0 = t1", "t0 ~ t1", "t1 ~ u0", "t0.lm.clear()", "t0.lm = list:()", "t0.next = 1",
    "t0.next ~ u0", "t0.del()", "t1 = u0", "u0 = t0", "t0.next.lm.clear()", "t0.clear()",
    "ri @ n", "ri = 2", "ri.del()", "rh @ n", "ra @ t1", "ra = t0", "ra.del()",
    "ri $ n", "ial = 0", "ial.del()", "Y $ M", "ra $ t1", "Y ? L", "ra ? t1", "ial $ A[0]",
    "P = any2:(0, 0)", "P[1] = 0", "P.del()", "P[1] ~ t1", "P[1].lm.clear()",
    "n = 0", "n.del()", 'gs = "z"', "gs.clear()", "gs.del()", 'gs += "long text"',
    "reset()", 'throw("thrown")',
]

# Mutations of a method's own object, by its members.
MEMBER_MUTATIONS = [
    "v = 2", "v.del()", "lm.clear()", "lm = list:(0)", "lm.del()", "next = 0",
    "next ~ t1", 'tx = "y"', "tx.clear()", "lm.ins(0, 1)",
]

# Reads and writes a method makes of its own object after a mutation.
MEMBER_USES = [
    "outl(v, tx, lm)", "v += 1", "lm.ins(0, v)", "n = lm.size() + v", "gs = tx",
    'tx += "!"', "outl(next)", "lm[0] = v",
]

COMPARISONS = ["+", "-", "*", "<", "<=", ">", "==", "!=", "@@", "!@", "??", "!?"]


class Generator:
    def __init__(self, rng):
        self.rng = rng
        self.functions = []      # int functions without arguments
        self.functions1 = []     # int functions of one int argument
        self.list_functions = []  # functions giving a list
        self.alias_procs = []    # procedures of one alias parameter
        self.str_functions = []  # functions giving a str
        self.alias_functions = []         # functions giving an alias of an int cell
        self.object_alias_functions = []  # functions giving an alias of an object
        self.depth = 0

    def pick(self, items):
        return self.rng.choice(items)

    def chance(self, p):
        return self.rng.random() < p

    def small(self):
        return str(self.rng.choice([0, 0, 1, 1, 2, 3, -1]))

    # --- routines -----------------------------------------------------------

    def mutations(self, member=False, low=1, high=3):
        lines = []
        for _ in range(self.rng.randint(low, high)):
            if member and self.chance(0.35):
                lines.append(self.pick(MEMBER_MUTATIONS))
            else:
                lines.append(self.pick(GLOBAL_MUTATIONS))
            if self.chance(0.4):
                lines.append("catch(e, {})")
        return lines

    def body(self, lines, indent="  "):
        return "".join(f"{indent}{line}\n" for line in lines)

    def routines(self):
        out = []
        count = self.rng.randint(3, 6)
        for k in range(count):
            kind = self.rng.random()
            lines = self.mutations()
            earlier = self.functions + self.functions1
            if earlier and self.chance(0.25):
                lines.append(f"n = {self.pick(self.functions)}()" if self.functions
                             else "n = 0")
            if kind < 0.45:
                name = f"f{k}"
                result = self.small() if self.chance(0.7) else self.pick(["n", "L.size() - 2", "ri", "t0.v"])
                out.append(f"func {name}(int r) {{\n{self.body(lines)}  r = {result}\n}}\n")
                self.functions.append(name)
            elif kind < 0.65:
                name = f"g{k}"
                out.append(f"func {name}(int k)(int r) {{\n{self.body(lines)}  r = k\n}}\n")
                self.functions1.append(name)
            elif kind < 0.72:
                name = f"s{k}"
                out.append(f"func {name}(str r) {{\n{self.body(lines)}  r = \"xy\"\n}}\n")
                self.str_functions.append(name)
            elif kind < 0.77:
                # The alias is made first: the mutations may destroy its cell.
                name = f"a{k}"
                target = self.pick(["L[0]", "t0.v", "LT[0].v", "H[0]", "A[0]", "Z[0, 0]", "Y[0]",
                                    "t0.next.v", "LT[0].lm[0]", "GR[0]", "P[0]", "n"])
                out.append(f"func {name}(int:$ r) {{\n  r $ {target}\n{self.body(lines)}}}\n")
                self.alias_functions.append(name)
            elif kind < 0.8:
                name = f"b{k}"
                target = self.pick(["t0", "LT[0]", "HT[0]", "AT[0]", "YT", "t0.next", "P[1]", "ra"])
                out.append(f"func {name}(T:$ r) {{\n  r $ {target}\n{self.body(lines)}}}\n")
                self.object_alias_functions.append(name)
            elif kind < 0.88:
                name = f"h{k}"
                out.append(f"func {name}(list r) {{\n{self.body(lines)}  r = list:(1, 2, 0)\n}}\n")
                self.list_functions.append(name)
            else:
                name = f"q{k}"
                uses = [self.pick(["outl(x)", "x = 1", "x += 1", "outl(x.type())", "x.clear()", "y = x"])
                        for _ in range(self.rng.randint(1, 2))]
                out.append(f"proc {name}(any:$ x) {{\n  any y\n{self.body(lines)}"
                           f"{self.body(uses)}}}\n")
                self.alias_procs.append(name)
        if not self.functions:
            out.append("func f9(int r) {\n  L.clear()\n  r = 1\n}\n")
            self.functions.append("f9")
        return "".join(out)

    def method(self, head, tail_lines):
        lines = self.mutations(member=True)
        if self.chance(0.25):
            # Functions call no methods, so no call goes round in a circle.
            lines.append(f"n = {self.pick(self.functions)}()")
        lines += [self.pick(MEMBER_USES) for _ in range(self.rng.randint(1, 2))]
        lines += tail_lines
        return f"  {head} {{\n{self.body(lines, '    ')}  }}\n"

    def types(self):
        t = ["bigtype T {\n", "  int v(1)\n", '  str tx("abc")\n', "  list lm\n", "  any next\n"]
        t.append(self.method("proc m0", []))
        t.append(self.method("proc m1(int k)", ["v += k"]))
        t.append(self.method("func g0(int r)", ["r = 1"]))
        t.append(self.method("func g1(int k)(int r)", ["r = k"]))
        t.append(self.method('proc "+="(int k)', ["v += k"]))
        t.append(self.method('proc "+="(T o)', ["v += o.v"]))
        t.append(self.method('func "<"(T o)(bool r)', ["r = v < o.v"]))
        t.append("}\n")
        u = ["bigtype U(T) {\n", "  int w(3)\n"]
        u.append(self.method("proc m0", []))
        if self.chance(0.5):
            u.append(self.method("func g0(int r)", ["r = w - 3"]))
        u.append("}\n")
        return "".join(t) + "".join(u) + "T t0\nT t1\nU u0\n"

    # --- expressions --------------------------------------------------------

    def call(self):
        """An int-valued expression that runs mutations; its value is small."""
        self.depth += 1
        try:
            r = self.rng.random()
            if r < 0.45 or self.depth > 2:
                return f"{self.pick(self.functions)}()"
            if r < 0.6 and self.functions1:
                return f"{self.pick(self.functions1)}({self.index()})"
            if r < 0.8:
                return f"{self.object_place()}.g0()"
            if r < 0.9:
                return f"{self.object_place()}.g1({self.index()})"
            return f"{self.pick(self.functions)}() + {self.pick(self.functions)}() - 1"
        finally:
            self.depth -= 1

    def index(self):
        """An index: a constant, a call, or an element read."""
        r = self.rng.random()
        if r < 0.35:
            return self.rng.choice(["0", "1"])
        if r < 0.8 or self.depth > 2:
            return self.call()
        self.depth += 1
        try:
            return self.int_place()
        finally:
            self.depth -= 1

    def object_place(self, read=False):
        """An object; one that is read only may be a constant result."""
        r = self.rng.random()
        if r < 0.3:
            return self.pick(["t0", "t1", "u0"])
        if r < 0.36 and self.object_alias_functions:
            return f"{self.pick(self.object_alias_functions)}()"
        places = ["LT[0]", "LT[1]", "LT[2]", "HT[0]", 'HT["a"]', "AT[0]", "AT[2]",
                  "YT", "ra", "t0.next", "Y", "P[1]"]
        if read:
            places += ["LT.get(0)", "AT.get(1)", "HT.get(1)"]
        return self.pick(places)

    def list_place(self):
        return self.pick(["L", "M", "Y", "LN[0]", "LN[2]", "t0.lm", "LT[0].lm", "YT.lm",
                          "HT[0].lm", "t0.next.lm", "LT", "LN"])

    def int_place(self, read=True):
        """An int element or variable; one that is read may be a result."""
        r = self.rng.random()
        if r < 0.1:
            return self.pick(["ri", "rh", "n", "ra.v", "ial", "P[0]"])
        if r < 0.14 and self.alias_functions:
            return f"{self.pick(self.alias_functions)}()"
        if read and r < 0.15:
            return self.pick(["L.size()", "Y.size()", "S.size()", "gs.size()", "L.get(0)",
                              "L.Get(0)", "H.get(1)", "A.get(1)", "Z.get(1, 1)", "L.get(0, 1)",
                              "t0.lm.get(0)", "LT.get(0).v", "u0.w"])
        if r < 0.35:
            member = self.pick(["v", "v", "lm[0]", "lm[1]"])
            return f"{self.object_place(read)}.{member}"
        if r < 0.55:
            return f"{self.list_place()}[{self.index() if self.chance(0.3) else '0'}]"
        return self.pick(["L[0]", "L[1]", "H[0]", 'H["a"]', "A[0]", "A[1]", "Z[0, 0]", "Z[1, 1]",
                          "GR[0]", "GR[any2:(0, 1)]", "Y[0]", "YH[0]", "LN[0][0]", "t0.next.v",
                          "t0.next.lm[0]", "LT[0].lm[0]"])

    def receiver_call(self):
        """A method call on a container whose arguments run mutations."""
        c = self.call
        forms = [
            lambda: f"{self.list_place()}.get({c()})",
            lambda: f"{self.list_place()}.Get({c()})",
            lambda: f"{self.list_place()}[{c()}]",
            lambda: f"{self.list_place()}.list({c()}, {self.index()})",
            lambda: f"{self.list_place()}.get0({c()})",
            lambda: f"M[0].get({c()})",
            lambda: f"M[{self.index()}].get({c()})",
            lambda: f"gs.get({c()})",
            lambda: f"gs[{c()}]",
            lambda: f"t0.tx.get({c()})",
            lambda: f"LT[0].tx[{c()}]",
            lambda: f"H.get({c()})",
            lambda: f"H[{c()}]",
            lambda: f"YH.get({c()})",
            lambda: f"H.def({c()})",
            lambda: f"A.get({c()})",
            lambda: f"A[{c()}]",
            lambda: f"Z.get({c()}, {self.index()})",
            lambda: f"Z[{self.index()}, {c()}]",
            lambda: f"GR[{c()}]",
            lambda: f"GR.get({c()})",
            lambda: f"S.def({c()})",
            lambda: f"{self.list_place()}.find(w, {{w == {c()}}})",
            lambda: f"{self.list_place()}.size() + {c()}",
            lambda: f"{self.object_place(True)}.g1({c()})",
            lambda: f"{self.object_place(True)}.lm.get({c()})",
            lambda: f"LN[0].get({c()})",
            lambda: f"{self.pick(self.list_functions)}()[{self.index()}]" if self.list_functions
                    else f"L[{c()}]",
            lambda: f"{self.pick(self.list_functions)}().get({c()})" if self.list_functions
                    else f"L.get({c()})",
        ]
        return self.pick(forms)()

    def text_call(self):
        if self.str_functions:
            return f"{self.pick(self.str_functions)}()"
        return f"str:({self.call()})"

    def text_place(self):
        return self.pick(["gs", "M[0]", "M[1]", "t0.tx", "LT[0].tx", "YT.tx", "HT[0].tx",
                          "t0.next.tx", "LN[1][0]"])

    def operand_pair(self):
        op = self.pick(COMPARISONS)
        r = self.rng.random()
        if r < 0.2:
            # Objects on both sides: the user operator, or identity.
            op = self.pick(["<", "<=", ">", "+", "==", "@@", "??"])
            left, right = self.object_place(), self.object_place()
            if op == "+":
                return f"({left} + {right}).v"
            return f"{left} {op} {right}"
        if r < 0.3:
            return f"({self.object_place()} + {self.call()}).v"
        if r < 0.75:
            return f"{self.int_place()} {op} {self.call()}"
        if r < 0.85:
            return f"{self.list_place()} {self.pick(['==', '@@', '??', '+'])} {self.pick(self.list_functions)}()" \
                if self.list_functions else f"{self.call()} {op} {self.int_place()}"
        return f"{self.call()} {op} {self.int_place()}"

    # --- trials -------------------------------------------------------------

    def trial(self):
        c = self.call
        forms = [
            (6, lambda: f"outl({self.operand_pair()})"),
            (5, lambda: f"outl({self.receiver_call()})"),
            (3, lambda: f"{self.int_place(False)} = {c()}"),
            (2, lambda: f"{self.int_place(False)} += {c()}"),
            (2, lambda: f"{self.int_place(False)} = {self.int_place()} + {c()}"),
            (3, lambda: f"{self.list_place()}[{c()}] = {c()}"),
            (1, lambda: f"{self.list_place()}[{self.index()}] += {c()}"),
            (1, lambda: f"A[{c()}] = {c()}"),
            (1, lambda: f"Z[{c()}, {self.index()}] = {c()}"),
            (1, lambda: f"H[{c()}] = {c()}"),
            (1, lambda: f"GR[{c()}] = {c()}"),
            (2, lambda: f"{self.list_place()}.set({c()}, {c()})"),
            (1, lambda: f"{self.list_place()}.ins({c()}, {c()})"),
            (1, lambda: f"{self.list_place()}.del({c()})"),
            (1, lambda: f"H.set({c()}, {c()})"),
            (1, lambda: f"A.set({c()}, {c()})"),
            (1, lambda: f"Z.set({c()}, {self.index()}, {c()})"),
            (1, lambda: f"S.ins({c()})"),
            (1, lambda: f"S.del({c()})"),
            (4, lambda: f"{self.object_place()}.m0()"),
            (4, lambda: f"{self.object_place()}.m1({c()})"),
            (3, lambda: f"outl({self.object_place(True)}.g0())"),
            (3, lambda: f"outl({self.object_place(True)}.g1({c()}))"),
            (2, lambda: f"outl({self.object_place(True)}.g0() + {self.int_place()})"),
            (3, lambda: f"{self.object_place()} += {c()}"),
            (2, lambda: f"{self.object_place()} += {self.object_place()}"),
            (2, lambda: f"outl({self.object_place(True)} < {self.object_place(True)})"),
            (1, lambda: f"{self.object_place()}.v = {c()}"),
            (1, lambda: f"{self.object_place()}.lm[{c()}] = {c()}"),
            (2, lambda: f"{self.pick(self.alias_procs)}({self.pick([self.int_place(False), self.list_place(), self.object_place()])})"
                if self.alias_procs else f"outl({c()})"),
            (1, lambda: f"{self.int_place(False)} ~ {self.int_place(False)}"),
            (1, lambda: f"{self.object_place()} ~ {self.object_place()}"),
            (1, lambda: f"{self.list_place()} ~ {self.pick(self.list_functions)}()"
                if self.list_functions else f"L ~ M"),
            (1, lambda: f"{self.pick(['ri', 'rh', 'Y', 'ra'])} @ {self.int_place(False)}"),
            (1, lambda: f"{self.pick(['ra', 'YT'])} @ {self.object_place()}"),
            (2, lambda: f"{self.list_place()}.for(w, {{outl(w, {c()})}})"),
            (1, lambda: f"{self.list_place()}.sort(w, {{{c()}}})"),
            (1, lambda: "LT.sort()"),
            (1, lambda: f"H.for(w, {{n = {c()}}})"),
            (1, lambda: f"outl({self.pick(self.functions1)}({self.int_place()}))" if self.functions1
                else f"outl({c()})"),
            (1, lambda: f"outl({self.list_place()}[{self.list_place()}[{c()}]])"),
            (1, lambda: f"outl({self.int_place()}, {c()}, {self.int_place()})"),
            (1, lambda: f"outl({self.pick([self.list_place(), self.object_place(True), 'H', 'Z', 'GR', 'A', 'S'])}, {c()})"),
            (2, lambda: f"outl({self.text_place()} {self.pick(['+', '==', '<', '??'])} {self.text_call()})"),
            (1, lambda: f"outl({self.text_call()} + {self.text_place()})"),
            (2, lambda: f"{self.text_place()} {self.pick(['=', '+='])} {self.text_call()}"),
            (1, lambda: f"{self.text_place()}[{c()}] = 'z'"),
            (1, lambda: f"outl({self.text_place()}.find({self.text_call()}))"),
            (1, lambda: f"{self.list_place()} += {self.pick(self.list_functions)}()" if self.list_functions
                else f"L += list:({c()})"),
            (1, lambda: f"{self.pick(['GR', 'S', 'H', 'A', 'Z'])}.for(w, {{outl(w, {c()})}})"),
            (1, lambda: f"{self.text_place()}.{self.pick(['out', 'pout'])}({self.pick([self.list_place(), self.int_place(), self.object_place(True)])}, {c()})"),
            (1, lambda: f"{self.pick(['ri', 'ial', 'ra', 'Y'])} {self.pick(['$', '?'])} {self.pick([self.int_place(False), self.object_place()])}"),
            (1, lambda: f"outl(P[{self.index()}] {self.pick(COMPARISONS)} {c()})"),
        ]
        return pick_weighted(self.rng, forms)

    def program(self):
        routines = self.routines()
        parts = [WORLD, self.types(), routines]
        parts.append("proc reset {\n  T fresh_t\n  U fresh_u\n" + "".join(f"  {line}\n  catch(e, {{}})\n" for line in RESET_LINES) + "}\n")
        for _ in range(self.rng.randint(1, 5)):
            rounds = self.rng.choice([1, 1, 2, 3])
            trial = self.trial()
            parts.append(f"for({{i0 = 0}}, {{i0 < {rounds}}}, {{i0 += 1}}) {{\n"
                         f"  reset()\n  {trial}\n  trials_ok += 1\n"
                         f"  catch(e, {{trials_failed += 1}})\n}}\n")
        parts.append('outl("trials ", trials_ok, " ", trials_failed)\n')
        text = "".join(parts)
        assert not any(word in text for word in OUTSIDE_WORDS), text
        return text


def generate(seed):
    """The program of a seed text."""
    return Generator(random.Random(seed)).program()


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    seed = sys.argv[1] if len(sys.argv) == 2 else f"{sys.argv[1]}:{sys.argv[2]}"
    sys.stdout.write(generate(seed))
