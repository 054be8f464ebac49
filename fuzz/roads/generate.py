#!/usr/bin/env python3
"""Writes random Morvu programs in the shapes that the interpreter's
specialised roads take, so that a build with them (the default) and one
without them (MORVU_FAST_PATHS=OFF, the general evaluator alone) can be
held against each other: whatever one prints, the other must print too.

A program declares a small world of its own (int variables, some of them at
the machine-int edges; lists of ints, one of them an index list whose values
are positions in the others; a list of texts; a hash with int and text keys;
an array and an array2; now and then an object of a user type, an any
variable or a reference) and a few routines: int routines
(`func f(int a, b)(int r)`, some of them recursive on a bounded argument)
and routines with `list:$` parameters that run loops of their own. Then it
runs while loops and C-style for loops, nested up to three deep, whose
bodies read and write elements (`l[i]`, `l.get(i)`, `l.Get(i)`, `a[b[k]]`,
`l[l.size() - 1]`, text elements, hash entries, array and array2 slots,
members), assign with `=`, `+=`, `-=`, `*=`, `/=` and `%=`, branch with
`if` and its else block and with `switch`, leave with break and continue,
and divide by what may be zero or negative. Every loop is bounded: a loop
variable is assigned by its own step alone, and a product takes one factor
that is small or a constant, so no value grows past some thousands of
digits. Values are printed after every loop and now and then inside one.

The later shapes come from shapes.py: a user type whose methods read its
own list member by position, a list variable that refers to another list,
a graph read by node position (each in the world, in the loops' reads and
stores, and in scenes of their own), and scenes that run one assignment or
append many times while what it reads changes between the runs.

A language error is an ordinary outcome: most programs end with a catch
that prints the error; some do not, and end with the error's report and
status 1.

A program is a function of its seed text alone:
    generate.py SEED [INDEX]      prints the program of seed "SEED:INDEX"

Several programs share one file in the driver (drive.py): its names then
carry a suffix, `program(seed, "_3")`, so that they do not meet.
"""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from program_tools import pick_weighted  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from shapes import Shapes  # noqa: E402

CHARS = ["'a'", "'K'", "'7'", "' '", "'\\0'", "'~'"]
EDGES = ["9223372036854775807", "(-9223372036854775807 - 1)", "4611686018427387904", "3037000499",
         "3037000500", "2147483648", "(-4611686018427387904)", "9223372036854775806", "(-9223372036854775807)",
         "4294967296", "18446744073709551616"]
WORDS = ["pe", "ka", "zu", "an", "mi", "lo", "ra", "el", "", "ka ", "Ka"]
COMPARISONS = ["<", "<=", ">", ">=", "==", "!="]


def wrap(text):
    """The text as one operand: in brackets when it is an operation (a blank
    outside every bracket), as it is otherwise; an operand alone in brackets,
    (x) or (l[0]), is no expression of the language."""
    depth = 0
    quoted = False
    for ch in text:
        if ch == '"':
            quoted = not quoted
        elif quoted:
            continue
        elif ch in "([{":
            depth += 1
        elif ch in ")]}":
            depth -= 1
        elif ch == " " and depth == 0:
            return f"({text})"
    return text


class Loop:
    """A loop being written: its variable, the expression of its position
    (which runs over 0 .. count - 1) and whether `continue` is safe in it."""

    def __init__(self, var, position, count, continue_safe, catch_safe=True):
        self.var = var
        self.position = position
        self.count = count
        self.continue_safe = continue_safe
        # A catch in the body of a loop whose step comes first would take an
        # error of the loop's condition with the step skipped, round after
        # round: no catch there.
        self.catch_safe = catch_safe


class Generator(Shapes):
    def __init__(self, rng, suffix=""):
        self.rng = rng
        self.suffix = suffix
        self.loops = []          # enclosing loops, innermost last
        self.lines = []
        self.indent = 0
        self.depth = 0           # of expressions
        self.int_routines = []   # (name, bounded first argument?)
        # (name, kind, may take texts): "proc" q(list:$ l; int n), "func" f(list:$ l)(int r)
        self.list_routines = []
        self.wide_routines = []  # (name, number of parameters)
        self.has_object = False
        self.has_any = False
        self.has_ref = False
        self.has_alias = False
        self.wide = []           # the many int variables of a wide program
        self.labels = 0
        self.procs = []          # routines that hold a loop of the main block
        self.later_init()

    # --- helpers -------------------------------------------------------------

    def pick(self, items):
        return self.rng.choice(items)

    def chance(self, p):
        return self.rng.random() < p

    def n(self, name):
        """A name of this program."""
        return name + self.suffix

    def emit(self, line):
        self.lines.append("  " * self.indent + line)

    def weighted(self, forms):
        return pick_weighted(self.rng, forms)

    # --- the world -----------------------------------------------------------

    def literal(self, edge=0.08):
        if self.chance(edge):
            return self.pick(EDGES)
        return str(self.pick([0, 1, 1, 2, 2, 3, 3, 4, 5, 7, 9, 10, 12, 100, 1000, -1, -1, -2, -3, -7, -10]))

    def word(self):
        return '"%s"' % self.pick(WORDS)

    def world(self):
        rng = self.rng
        self.size = rng.choice([3, 4, 4, 5, 6, 8])           # of the int lists a, b and c
        self.wsize = rng.choice([3, 4, 5, 6])                # of the text list w
        self.rsize = rng.choice([3, 4, 5])                   # of the array r
        self.grows, self.gcols = rng.choice([2, 3]), rng.choice([2, 3])
        self.ints = [self.n(x) for x in ("s", "t", "u")]
        self.bound = self.n("m")                              # holds self.size
        self.counters = [self.n(x) for x in ("i", "j", "k")]
        out = []
        for name in self.ints:
            value = self.literal(edge=0.3) if self.chance(0.4) else "0"
            out.append(f"int {name} = {value}")
        out.append(f"int {self.bound} = {self.size}")
        out.append("int " + ", ".join(self.counters))
        a = [self.literal(edge=0.1) for _ in range(self.size)]
        b = [str(rng.randrange(self.size)) for _ in range(self.size)]
        if self.chance(0.1):
            b[rng.randrange(self.size)] = self.pick([str(self.size), "-1"])  # an index past the end
        c = [str(rng.randrange(-3, self.size + 3)) for _ in range(self.size)]
        if self.chance(0.08):
            c[rng.randrange(self.size)] = self.pick(['"x"', "2.5", "true"])  # an element of another kind
        out.append(f"list {self.n('a')}({', '.join(a)})")
        out.append(f"list {self.n('b')}({', '.join(b)})")
        out.append(f"list {self.n('c')}({', '.join(c)})")
        w = [self.word() for _ in range(self.wsize)]
        if self.chance(0.06):
            w[rng.randrange(self.wsize)] = self.pick(["5", "'k'"])
        out.append(f"list {self.n('w')}({', '.join(w)})")
        out.append(f"str {self.n('tv')} = {self.word()}")
        out.append(f"char {self.n('ch')} = {self.pick(CHARS)}")
        # A list of lists, walked with its loop variable bound to each.
        out.append(f"list {self.n('ll')}(list:({', '.join(a[:3])}), list:({', '.join(b)}), list:({', '.join(w[:2])}))")
        keys = [str(x) for x in range(4)] + ['"x"', '"y"']
        pairs = []
        for key in keys:
            if self.chance(0.85):
                pairs += [key, self.word() if self.chance(0.04) else self.literal(edge=0.05)]
        out.append(f"hash {self.n('h')}({', '.join(pairs)})")
        if self.chance(0.5):
            out.append(f"array {self.n('r')} = array:({self.rsize}, "
                       f"{', '.join(self.literal(edge=0.05) for _ in range(self.rsize))})")
        else:
            out.append(f"array {self.n('r')}({self.rsize})")
            for x in range(self.rsize):
                if self.chance(0.8):
                    value = self.pick(["true", "false"]) if self.chance(0.05) else self.literal(edge=0.05)
                    out.append(f"{self.n('r')}[{x}] = {value}")
        cells = self.grows * self.gcols
        out.append(f"array2 {self.n('g')} = array2:({self.grows}, {self.gcols}, "
                   f"{', '.join(self.literal(edge=0.05) for _ in range(cells))})")
        members = sorted({self.rng.randrange(-2, 8) for _ in range(self.rng.randint(0, 4))})
        out.append(f"set {self.n('st')}({', '.join(map(str, members))})" if members else f"set {self.n('st')}")
        out.append(f"oper {self.n('o')}(\"{self.pick(['+', '-', '*', '/', '%'])}\")")
        out.append(f"any {self.n('e')}")
        # Routines with effects on the variables and lists that loops and
        # conditions read around their calls.
        out.append(f"func {self.n('tick')}(int r) {{ {self.ints[2]} += 1; r = {self.ints[2]} % 4 }}")
        out.append(f"func {self.n('poke')}(int r) {{ {self.ints[0]} += 3; "
                   f"{self.n('a')}[0] = {self.ints[0]} % 5; r = 1 }}")
        out.append(f"proc {self.n('nudge')} {{ {self.ints[1]} -= 1; {self.n('b')}[0] = "
                   f"({self.n('b')}[0] + 1) % {self.size}; {self.n('tv')} = \"ka\" }}")
        if self.chance(0.15):
            self.has_alias = True
            out.append(f"int {self.n('al')}")
            # Of a, whose elements are no factor of a product (see small).
            out.append(f"{self.n('al')} $ {self.n('a')}[{self.rng.randrange(self.size)}]")
        if self.chance(0.3):
            self.has_object = True
            out.append(f"bigtype {self.n('Pt')} {{\n  int x\n  int y\n"
                       f"  func m(int d)(int r) {{ r = x * d + y }}\n"
                       f"  proc bump(int d) {{ x += d; if (x > 1000) {{ y += 1 }} }}\n"
                       f"  func total(int n)(int r) {{\n    r = 0\n    int i = 0\n"
                       f"    while ({{i < n}}) {{ r += x * i + y; if (r > x) {{ y -= 1 }}; i += 1 }}\n  }}\n"
                       f"  proc spread(list:$ l) {{\n    int i = 0\n"
                       f"    while ({{i < l.size()}}) {{ l[i] += x; x += 1; i += 1 }}\n  }}\n}}")
            out.append(f"{self.n('Pt')} {self.n('p')}")
            out.append(f"{self.n('p')}.x = {self.literal()}")
            out.append(f"{self.n('p')}.y = {self.literal(edge=0.1)}")
        self.later_world(out)
        if self.chance(0.15):
            self.has_any = True
            out.append(f"any {self.n('z')} = {self.literal()}")
        if self.chance(0.12):
            # A wide program: more variables, constants, terms and nested
            # ifs than a loop's plan has room for.
            self.wide = [self.n(f"v{x}") for x in range(self.rng.randint(20, 40))]
            out += [f"int {v} = {self.rng.randint(-5, 40)}" for v in self.wide]
        if self.chance(0.15):
            self.has_ref = True
            out.append(f"int {self.n('q')}")
            out.append(f"{self.n('q')} {self.pick(['@', '$'])} {self.pick(self.ints)}")
        return out

    # --- routines --------------------------------------------------------------

    def routines(self):
        out = []
        if self.wide:
            text, count = self.wide_routine(self.n("fw"))
            out.append(text)
            self.wide_routines.append((self.n("fw"), count))
        for x in range(self.rng.randint(0, 3)):
            name = self.n(f"f{x}")
            kind = self.rng.random()
            if kind < 0.35:
                # Recursive on a first argument that callers bound to 0 .. 11.
                base = self.pick(["b", "a + b", "1", "b * 2", "b % 7", "-b"])
                step = self.pick(["a - 1", "a - 2", "a / 2"])
                combine = self.pick([
                    f"{name}({step}, b) + a",
                    f"{name}({step}, b + a) * 2",
                    f"{name}(a - 1, b) + {name}(a - 2, b)",
                    f"{name}({step}, b) - b % 3",
                    f"{name}({step}, b * 3 + 1)",
                    f"{name}({step}, b) / 2",
                ])
                # The test ends the recursion on a alone; b may only end it sooner.
                test = self.pick(["a <= 0", "a < 2", "a <= 1 || b == 0", "a < 1 || b < -100"])
                if "a - 2" in combine and test.startswith("a <= 0"):
                    test = "a < 2"
                if self.chance(0.5):
                    body = f"if ({test}) {{ r = {base} }} {{ r = {combine} }}"
                else:
                    body = f"r = {base}\n  if (!({test})) {{ r = {combine} }}"
                out.append(f"func {name}(int a, b)(int r) {{\n  {body}\n}}")
                self.int_routines.append((name, True))
            elif kind < 0.65:
                e1 = self.routine_expr()
                e2 = self.routine_expr()
                form = self.rng.random()
                if form < 0.3:
                    body = f"r = {e1}"
                elif form < 0.6:
                    body = f"if ({self.routine_cond()}) {{ r = {e1} }} {{ r = {e2} }}"
                elif form < 0.75:
                    # No result on one road: the general path's empty int.
                    body = f"if ({self.routine_cond()}) {{ r = {e1} }}"
                elif form < 0.9 and self.int_routines:
                    other, bounded = self.pick(self.int_routines)
                    arg = "(a % 12 + 12) % 12" if bounded else "a"
                    body = f"r = {other}({arg}, b) + {e1}"
                else:
                    body = f"int t = {e1}\n  r = t * 2 - b"
                out.append(f"func {name}(int a, b)(int r) {{\n  {body}\n}}")
                self.int_routines.append((name, False))
            elif kind < 0.85:
                # A loop over a ":$" list parameter.
                op = self.pick(["=", "+=", "-="])
                src = self.pick(["l[j] * 2", "l.Get(j) + j", "l[l.size() - 1 - j]", "l[(j + 1) % l.size()] - l[j]",
                                 "l.get(j) / 2", "j * j", "l[0] + n"])
                test = self.pick(["j < n", "j < n && j < l.size()", "j < l.size()", "j < l.size() && l[j] != 7"])
                cond = ""
                if self.chance(0.4):
                    cond = f"if (l[j] {self.pick(COMPARISONS)} {self.literal()}) {{ continue(1) }}; "
                    body = f"j += 1; {cond.replace('[j]', '[j - 1]')}l[j - 1] {op} {src.replace('j', '(j - 1)')}"
                else:
                    body = f"l[j] {op} {src}; j += 1"
                param = "list l" if self.chance(0.1) else "list:$ l"
                out.append(f"proc {name}({param}; int n) {{\n  int j = 0\n  while ({{{test}}}) {{ {body} }}\n}}")
                # l[j] += l[...] on texts doubles them call after call.
                self.list_routines.append((name, "proc", op != "+="))
            else:
                acc = self.pick(["r += l[j]", "r += l.Get(j) * j", "r = r * 3 + l[j] % 5",
                                 "if (l[j] > r) { r = l[j] }", "r -= l[l.size() - 1 - j]"])
                if self.chance(0.5):
                    loop = f"for ({{j = 0}}, {{j < l.size()}}, {{j += 1}}) {{ {acc} }}"
                else:
                    loop = f"while ({{j < l.size()}}) {{ {acc}; j += 1 }}"
                param = "list l" if self.chance(0.25) else "list:$ l"
                out.append(f"func {name}({param})(int r) {{\n  r = 0\n  int j = 0\n  {loop}\n}}")
                self.list_routines.append((name, "func", True))
        return out

    def wide_routine(self, name):
        count = self.rng.randint(5, 9)
        params = [f"p{x}" for x in range(count)]
        terms = " ".join(f"{self.pick(['+', '-'])} {p}" for p in params[1:])
        body = f"r = {params[0]} {terms}"
        if self.chance(0.5):
            body = f"if ({params[0]} > {params[-1]}) {{ r = {params[0]} {terms} }} {{ r = {params[-1]} * 2 }}"
        return f"func {name}(int {', '.join(params)})(int r) {{\n  {body}\n}}", count

    def routine_expr(self, depth=0):
        r = self.rng.random()
        if depth > 1 or r < 0.35:
            return self.pick(["a", "b", self.literal(edge=0.15), "a", "b"])
        op = self.pick(["+", "-", "*", "/", "%", "+", "-"])
        left = self.routine_expr(depth + 1)
        # A product takes a constant factor: a product of the two arguments,
        # fed back through a loop (s += f(s, s)), would square s round after
        # round.
        right = self.routine_expr(depth + 1) if op != "*" else self.literal(edge=0.2)
        return f"({left} {op} {right})" if depth else f"{left} {op} {right}"

    def routine_cond(self):
        c = f"{self.routine_expr(1)} {self.pick(COMPARISONS)} {self.routine_expr(1)}"
        if self.chance(0.3):
            c += f" {self.pick(['&&', '||'])} {self.pick(['a', 'b'])} {self.pick(COMPARISONS)} {self.literal()}"
        return c

    # --- positions -------------------------------------------------------------

    def position(self, size, exact=True):
        """A position in 0 .. size - 1, now and then one outside (an error)."""
        if self.chance(0.03):
            return self.pick([str(size), "-1", f"{self.loops[-1].position} + 1" if self.loops else str(size + 2)])
        forms = [(2, lambda: self.pick([str(self.rng.randrange(size)), "0"]))]
        if self.loops:
            loop = self.pick(self.loops)
            p = loop.position
            if loop.count <= size:
                forms += [(6, lambda: p), (2, lambda: f"{size - 1} - {p}" if "-" not in p else f"{size - 1} - ({p})")]
            forms.append((2, lambda: f"{wrap(p)} % {size}"))
            if len(self.loops) > 1:
                q = self.pick(self.loops).position
                forms.append((1, lambda: f"({p} + {q}) % {size}"))
        return self.weighted(forms)

    def list_position(self, name, size):
        """A position in list `name` of `size` elements, its size read now and then."""
        forms = [(6, lambda: self.position(size)),
                 (1, lambda: f"{self.n(name)}.size() - 1"),
                 (1, lambda: f"{self.n(name)}.size() - {self.rng.randint(1, size)}")]
        if self.loops:
            p = self.pick(self.loops).position
            forms.append((1, lambda: f"{self.n(name)}.size() - 1 - {p}" if self.loops[-1].count <= size
                          else f"{self.n(name)}.size() - 1"))
            forms.append((2, lambda: f"{self.n('b')}[{self.position(size)}]"))
            forms.append((1, lambda: f"{self.n('b')}.get({self.position(size)})"))
            forms.append((1, lambda: f"{self.n('b')}[{self.n('b')}[{self.position(size)}]]"))
        return self.weighted(forms)

    # --- expressions -------------------------------------------------------------

    def element(self):
        """An int read of an element, entry, slot or member."""
        forms = [
            (5, lambda: f"{self.n('a')}[{self.list_position('a', self.size)}]"),
            (2, lambda: f"{self.n('a')}.get({self.list_position('a', self.size)})"),
            (2, lambda: f"{self.n('a')}.Get({self.list_position('a', self.size)})"),
            (2, lambda: f"{self.n('b')}[{self.list_position('b', self.size)}]"),
            (1, lambda: f"{self.n('b')}.Get({self.position(self.size)})"),
            (1, lambda: f"{self.n('c')}[{self.position(self.size)}]"),
            (1, lambda: f"{self.n('a')}[{self.n('a')}.size() - 1]"),
            (1, lambda: f"{self.n('a')}.size()"),
            (1, lambda: f"{self.n('w')}.size()"),
            (2, lambda: f"{self.n('h')}[{self.key()}]"),
            (1, lambda: f"{self.n('h')}.get({self.key()})"),
            (2, lambda: f"{self.n('r')}[{self.position(self.rsize)}]"),
            (1, lambda: f"{self.n('r')}.get({self.position(self.rsize)})"),
            (2, lambda: f"{self.n('g')}[{self.position(self.grows)}, {self.position(self.gcols)}]"),
            (1, lambda: f"{self.n('h')}.size()"),
            (1, lambda: f"{self.n('st')}.size()"),
            (1, lambda: f"{self.n('o')}.eval({self.expr(2)}, {self.small()})"),
            (1, lambda: f"{self.n('tv')}.size()"),
            (1, lambda: f"{self.n('w')}[{self.position(self.wsize)}].size()"),
            (1, lambda: f"{self.char()}.int()"),
            (1, lambda: f"{self.n('ch')}.int()"),
            (1, lambda: f"{self.n('a')}.get0() + {self.n('a')}.Get0()"),
        ]
        if self.has_object:
            forms += [(2, lambda: f"{self.n('p')}.{self.pick(['x', 'y'])}"),
                      (1, lambda: f"{self.n('p')}.m({self.small()})"),
                      (1, lambda: f"{self.n('p')}.total({self.pick(['0', '3', '5', self.count_of_loop()])})")]
        if any(k == "func" for _, k, _ in self.list_routines):
            forms.append((1, lambda: f"{self.pick([n for n, k, _ in self.list_routines if k == 'func'])}"
                                     f"({self.n(self.pick(['a', 'b', 'c']))})"))
        forms += self.later_elements()
        return self.weighted(forms)

    def count_of_loop(self):
        """A small count: a loop's position, or a literal."""
        if self.loops:
            return f"{wrap(self.loops[-1].position)} % 6"
        return "4"

    def key(self):
        if self.chance(0.25):
            return self.pick(['"x"', '"y"', '"z"'])
        if self.chance(0.08):
            # A text key made by a conversion: "1" is no key 1.
            inner = self.pick([f"{self.n('k')}", '"x"', f"{self.n('tv')}", "1", f"{self.n('ch')}"])
            return f"str:({inner})"
        if self.chance(0.05):
            return self.pick(self.ints + [self.n("tv")])
        if self.chance(0.1):
            return "5"
        if self.loops and self.chance(0.6):
            p = self.pick(self.loops).position
            return f"{wrap(p)} % 4"
        return str(self.rng.randrange(4))

    def small(self):
        """A factor that keeps products from growing without bound."""
        # An element of b may have grown (routines double lists' elements):
        # its remainder is small.
        forms = [(4, lambda: self.literal(edge=0.12)),
                 (2, lambda: f"{self.n('b')}[{self.position(self.size)}] % 5")]
        if self.loops:
            forms.append((3, lambda: self.pick(self.loops).var))
        return self.weighted(forms)

    def divisor(self):
        """A divisor: now and then zero (an error), often negative."""
        return self.weighted([
            (5, lambda: self.pick(["2", "3", "7", "10", "-1", "-2", "-3", "-7", "1000"])),
            (1, lambda: self.literal(edge=0.3)),
            (2, lambda: self.element()),
            (1, lambda: self.variable()),
        ])

    def variable(self):
        forms = [(5, lambda: self.pick(self.ints)), (1, lambda: self.bound)]
        if self.loops:
            forms.append((4, lambda: self.pick(self.loops).var))
        if self.has_ref:
            forms.append((1, lambda: self.n("q")))
        if self.has_alias:
            forms.append((1, lambda: self.n("al")))
        return self.weighted(forms)

    def expr(self, depth=0):
        """An int expression."""
        self.depth += 1
        try:
            r = self.rng.random()
            if depth >= 2 or r < 0.45:
                return self.weighted([
                    (3, lambda: self.literal()),
                    (4, lambda: self.variable()),
                    (5, lambda: self.element()),
                    (1, lambda: self.call()),
                    (0.3, lambda: f"{self.n('tick')}()"),
                    (0.2, lambda: f"{self.n('poke')}()"),
                ])
            op = self.pick(["+", "+", "-", "-", "*", "/", "%"])
            left = self.expr(depth + 1)
            if op == "*":
                right = wrap(self.small())
            elif op in "/%":
                right = self.divisor()
            else:
                right = self.expr(depth + 1)
            text = f"{left} {op} {right}"
            if self.chance(0.05):
                text = f"-({text})"
            return wrap(text) if depth else text
        finally:
            self.depth -= 1

    def call(self):
        if self.wide_routines and self.chance(0.3):
            name, count = self.pick(self.wide_routines)
            return f"{name}({', '.join(self.expr(2) for _ in range(count))})"
        if not self.int_routines:
            return self.literal()
        name, bounded = self.pick(self.int_routines)
        if self.chance(0.02):
            return f"{name}({self.pick([self.n('tv'), self.n('e'), '2.5'])}, 1)"
        first = self.expr(2)
        if bounded:
            first = f"{wrap(first)} % 12"
        return f"{name}({first}, {self.expr(2)})"

    def char(self):
        """A char read from a text; the text may be empty (an error)."""
        return self.weighted([
            (2, lambda: f"{self.n('tv')}.get(0)"),
            (1, lambda: f"{self.n('tv')}.Get(0)"),
            (2, lambda: f"{self.n('w')}[{self.position(self.wsize)}].get(0)"),
            (1, lambda: self.pick(CHARS)),
            (1, lambda: self.n("ch")),
        ])

    def text_operand(self):
        return self.weighted([
            (5, lambda: f"{self.n('w')}[{self.position(self.wsize)}]"),
            (1, lambda: f"{self.n('w')}.get({self.position(self.wsize)})"),
            (1, lambda: f"{self.n('w')}.Get({self.position(self.wsize)})"),
            (2, lambda: self.word()),
            (2, lambda: self.n("tv")),
        ])

    def condition(self, depth=0):
        r = self.rng.random()
        if depth < 2 and r < 0.25:
            joined = f"{self.condition(depth + 1)} {self.pick(['&&', '||'])} {self.condition(depth + 1)}"
            return wrap(joined) if depth and self.chance(0.7) else joined
        if r < 0.4:
            return f"{self.text_operand()} {self.pick(COMPARISONS)} {self.text_operand()}"
        if r < 0.43:
            return self.pick([f"{self.n('h')}.def({self.key()})", f"{self.n('st')}.def({self.expr(1)})"])
        if r < 0.46:
            return f"{self.char()}.{self.pick(['isupper', 'islower', 'isalpha', 'isdigit'])}()"
        if r < 0.47:
            return self.pick(["true", "false"])
        return f"{self.expr(1)} {self.pick(COMPARISONS)} {self.expr(1)}"

    # --- statements ----------------------------------------------------------------

    def assignment(self):
        target = self.pick(self.ints + ([self.n("q")] if self.has_ref else [])
                           + ([self.n("al")] if self.has_alias else []))
        op = self.pick(["=", "+=", "+=", "-=", "*=", "/=", "%="])
        if op == "*=":
            return f"{target} *= {self.small()}"
        if op in ("/=", "%="):
            return f"{target} {op} {self.divisor()}"
        value = self.expr()
        if op == "=" and target in value.split():
            op = "+="
        return f"{target} {op} {value}"

    def store(self):
        forms = [
            (5, lambda: f"{self.n('a')}[{self.list_position('a', self.size)}] = {self.stored()}"),
            (2, lambda: f"{self.n('a')}[{self.position(self.size)}] "
                        f"{self.pick(['+=', '-='])} {self.stored()}"),
            (1, lambda: f"{self.n('a')}[{self.position(self.size)}] *= {self.small()}"),
            (1, lambda: f"{self.n('b')}[{self.position(self.size)}] = {self.position(self.size)}"),
            (1, lambda: f"{self.n('c')}[{self.position(self.size)}] = {self.stored()}"),
            (3, lambda: f"{self.n('w')}[{self.position(self.wsize)}] = {self.text_operand()}"),
            (1, lambda: f"{self.n('tv')} = {self.text_operand()}"),
            # A literal only: appending an element that may hold the text
            # itself would double it round after round.
            (1, lambda: f"{self.n('tv')} += {self.word()}" if self.chance(0.3)
                else f"{self.n('tv')} = {self.text_operand()}"),
            (2, lambda: f"{self.n('h')}[{self.key()}] {self.pick(['=', '+=', '-='])} {self.stored()}"),
            (2, lambda: f"{self.n('r')}[{self.position(self.rsize)}] "
                        f"{self.pick(['=', '+=', '-='])} {self.stored()}"),
            (1, lambda: f"{self.n('r')}[{self.position(self.rsize)}] {self.pick(['/=', '%='])} {self.divisor()}"),
            (1, lambda: f"{self.n('r')}[{self.position(self.rsize)}] *= {self.small()}"),
            (2, lambda: f"{self.n('g')}[{self.position(self.grows)}, {self.position(self.gcols)}] "
                        f"{self.pick(['=', '+=', '-='])} {self.stored()}"),
        ]
        forms += [
            # Rotations keep the lists' sizes.
            (1, lambda: f"{self.n('c')}.Ins0({self.n('c')}.get0()); {self.n('c')}.del0()"),
            (1, lambda: f"{self.n('a')}.ins0({self.n('a')}.Get0()); {self.n('a')}.Del0()"),
            (1, lambda: f"{self.n('tv')}.{self.pick(['repl', 'Repl', 'repl_all', 'Repl_all'])}"
                        f"(\"{self.pick(['a', 'k', 'e', 'ka', ' '])}\", \"{self.pick(['o', 'K', '', 'u'])}\")"),
            (1, lambda: f"{self.n('h')}.del({self.key()})"),
            (1, lambda: f"{self.n('st')}.{self.pick(['ins', 'del'])}({self.position(self.size)})"),
            (0.6, lambda: f"{self.n('nudge')}()"),
            # Appended to c alone: no loop's bound reads its size.
            (0.5, lambda: f"{self.n('c')}.Ins0("
                          f"{self.pick([self.pick(self.ints), self.n('tv'), self.element(), self.text_operand()])})"),
            (0.5, lambda: f"{self.n('ch')} = {self.char()}"),
        ]
        if self.has_object:
            forms += [(2, lambda: f"{self.n('p')}.{self.pick(['x', 'y'])} {self.pick(['=', '+=', '-='])} "
                                  f"{self.stored()}"),
                      (1, lambda: f"{self.n('p')}.bump({self.small()})"),
                      (0.5, lambda: f"{self.n('p')}.spread({self.n(self.pick(['a', 'c', 'w']))})")]
        if self.has_any:
            forms += [(2, lambda: f"{self.n('z')} += {self.small()}"),
                      (1, lambda: f"{self.n('z')} = {self.pick([self.literal(), self.word(), self.expr(1)])}")]
        forms += self.later_stores()
        return self.weighted(forms)

    def stored(self):
        """A value stored into an element: no variable that a product could square."""
        value = self.expr(1)
        return value

    def output(self):
        things = [self.pick(self.ints)]
        if self.loops:
            things.insert(0, self.loops[-1].var)
        if self.chance(0.3):
            things.append(self.n(self.pick(["a", "w", "h", "r", "g", "tv", "b"])))
        if self.chance(0.2):
            things.append(self.expr(1))
        return "outl(" + ', " ", '.join(things) + ")"

    def block(self, count):
        for _ in range(count):
            self.statement()

    def statement(self):
        in_loop = bool(self.loops)
        forms = [(8, self.line_of(self.assignment)), (6, self.line_of(self.store))]
        if in_loop:
            forms += [(3, self.if_statement), (1, self.switch_statement),
                      (1.2, self.leave), (1, self.line_of(self.output)),
                      (1.5 if self.loops[-1].catch_safe else 0, self.line_of(self.catch))]
        if len(self.loops) < 3 and self.depth_budget > 0:
            forms.append((2.5 if not in_loop else 1.2, self.loop))
        if self.list_routines:
            forms.append((1, self.line_of(self.list_call)))
        if self.wide and in_loop:
            forms.append((6, self.wide_statement))
        self.weighted(forms)

    def wide_statement(self):
        r = self.rng.random()
        if r < 0.35:
            self.emit(f"{self.pick(self.wide)} {self.pick(['=', '+=', '-='])} {self.chain()}")
        elif r < 0.7:
            # Statements of many distinct constants and variables.
            for _ in range(self.rng.randint(3, 10)):
                self.emit(f"{self.pick(self.wide)} {self.pick(['=', '+=', '-='])} {self.pick(self.wide)} "
                          f"{self.pick(['+', '-'])} {self.rng.randint(11, 5000)}")
        elif r < 0.85:
            # ifs nested deeper than a plan takes them.
            depth = self.rng.randint(3, 6)
            for _ in range(depth):
                self.emit(f"if ({self.pick(self.wide)} {self.pick(COMPARISONS)} {self.rng.randint(-5, 60)}) {{")
                self.indent += 1
                self.emit(f"{self.pick(self.wide)} += {self.rng.randint(1, 9)}")
            for _ in range(depth):
                self.indent -= 1
                self.emit("}")
        else:
            self.emit("outl(" + ', " ", '.join(self.wide[:8]) + ")")

    def chain(self):
        """A sum of many terms: deeper than the fast paths' nesting."""
        terms = []
        for _ in range(self.rng.randint(8, 60)):
            terms.append(self.weighted([(5, lambda: self.pick(self.wide)),
                                        (2, lambda: str(self.rng.randint(1, 3000))),
                                        (2, lambda: self.element()),
                                        (1, lambda: self.variable())]))
        text = terms[0]
        for term in terms[1:]:
            text += f" {self.pick(['+', '-'])} {term}"
        return text

    def catch(self):
        return f"catch({self.n('e')}, {{outl(\"c \", {self.n('e')})}})"

    def line_of(self, make):
        return lambda: self.emit(make())

    def list_call(self):
        name, kind, texts = self.pick(self.list_routines)
        target = self.n(self.pick(["a", "b", "c", "a", "b"] + (["w"] if texts else [])))
        if kind == "proc":
            return f"{name}({target}, {self.pick([str(self.size), str(self.size - 1), self.bound, '2'])})"
        return f"{self.pick(self.ints)} += {name}({target})"

    def if_statement(self):
        cond = self.condition()
        style = self.rng.random()
        if style < 0.15:
            # if(c, {..}, {..}) on one line
            then = "; ".join(self.simple() for _ in range(self.rng.randint(1, 2)))
            other = "; ".join(self.simple() for _ in range(self.rng.randint(1, 2)))
            self.emit(f"if ({cond}, {{{then}}}, {{{other}}})")
            return
        self.emit(f"if ({cond}) {{")
        self.indent += 1
        self.block(self.rng.randint(1, 3))
        self.indent -= 1
        if self.chance(0.45):
            self.emit("} {")
            self.indent += 1
            self.block(self.rng.randint(1, 2))
            self.indent -= 1
        self.emit("}")

    def simple(self):
        r = self.rng.random()
        if r < 0.45:
            return self.assignment()
        if r < 0.85:
            return self.store()
        return self.leave_text()

    def leave_text(self):
        loop = self.loops[-1]
        if loop.continue_safe and self.chance(0.4):
            if len(self.loops) > 1 and self.loops[-2].continue_safe and self.chance(0.3):
                return "continue(2)"
            return "continue(1)"
        if len(self.loops) > 1 and self.chance(0.25):
            return "break(2)"
        return "break(1)"

    def leave(self):
        self.emit(f"if ({self.condition()}) {{ {self.leave_text()} }}")

    def switch_statement(self):
        if self.chance(0.3):
            self.emit("switch {")
            self.indent += 1
            for _ in range(self.rng.randint(1, 3)):
                self.emit(f"case({self.condition()}, {{{self.simple()}}})")
        elif self.chance(0.25):
            self.emit(f"switch ({self.text_operand()}) {{")
            self.indent += 1
            for _ in range(self.rng.randint(1, 3)):
                labels = ", ".join(self.word() for _ in range(self.rng.randint(1, 2)))
                self.emit(f"case({labels}, {{{self.simple()}}})")
        else:
            p = self.pick(self.loops).position
            subject = self.pick([f"{wrap(p)} % 4", self.element(), self.variable(),
                                 f"{self.n('b')}[{self.position(self.size)}]"])
            self.emit(f"switch ({subject}) {{")
            self.indent += 1
            for _ in range(self.rng.randint(1, 4)):
                labels = ", ".join(self.pick(["0", "1", "2", "3", "-1", self.variable(), self.literal(),
                                              f"{self.n('tick')}()"])
                                   for _ in range(self.rng.randint(1, 2)))
                self.emit(f"case({labels}, {{{self.simple()}}})")
        if self.chance(0.5):
            self.emit(f"case({{{self.simple()}}})")
        self.indent -= 1
        self.emit("}")

    def loop(self):
        used = {loop.var for loop in self.loops}
        var = self.pick([c for c in self.counters if c not in used])
        count = self.pick([self.size, self.size, self.size - 1, 2, 3, self.wsize, self.rsize])
        count = max(1, min(count, 12))
        bound = self.pick([str(count)] + ([self.bound] if count == self.size else [])
                          + ([f"{self.n('a')}.size()"] if count == self.size else [])
                          + ([f"{self.n('w')}.size()"] if count == self.wsize else []))
        extra = ""
        if self.chance(0.2):
            # Joined by && only: the loop's own test must end it.
            extra = f" && {wrap(self.condition(1))}"
        kind = self.rng.random()
        self.depth_budget -= 1
        if kind < 0.45:
            # for ({k = 0}, {k < n}, {k += 1}), or over a range
            if self.chance(0.25):
                head = self.pick([f"for ({var}, 0 .. {count - 1}) {{", f"for ({var}, 0 :. {count}) {{"])
                if self.chance(0.2):
                    head = f"for ({var}, {count - 1} .. 0) {{"
            elif self.chance(0.2):
                head = f"for ({{{var} = {count - 1}}}, {{{var} >= 0{extra}}}, {{{var} -= 1}}) {{"
            elif self.chance(0.15) and count > 2:
                head = f"for ({{{var} = 0}}, {{{var} < {bound}{extra}}}, {{{var} += 2}}) {{"
            else:
                head = f"for ({{{var} = 0}}, {{{var} < {bound}{extra}}}, {{{var} += 1}}) {{"
            loop = Loop(var, var, count, True)
            self.emit(head)
            tail = None
        elif kind < 0.8:
            # while, its step last: no continue
            self.emit(f"{var} = 0")
            self.emit(f"while ({{{var} < {bound}{extra}}}) {{")
            loop = Loop(var, var, count, False)
            tail = f"{var} += 1"
        elif kind < 0.92:
            # while, its step first: continue is safe
            self.emit(f"{var} = 0")
            self.emit(f"while ({{{var} < {bound}{extra}}}) {{")
            self.indent += 1
            self.emit(f"{var} += 1")
            self.indent -= 1
            loop = Loop(var, f"{var} - 1", count, True, False)
            tail = None
        else:
            # the statement's own form: while({c}, {body})
            self.emit(f"{var} = {count}")
            self.emit(f"while ({{{var} > 0{extra}}}, {{")
            loop = Loop(var, var, count, True, False)
            self.indent += 1
            self.emit(f"{var} -= 1")
            self.indent -= 1
            tail = "})"
        self.loops.append(loop)
        self.indent += 1
        self.block(self.rng.randint(1, 5 if not self.wide else 10))
        if tail and tail != "})":
            self.emit(tail)
        self.indent -= 1
        self.loops.pop()
        self.emit("})" if tail == "})" else "}")
        self.depth_budget += 1
        if not self.loops:
            self.labels += 1
            shown = ", \" \", ".join(self.ints + [self.n(x) for x in self.pick([["a"], ["a", "w"], ["b", "h"],
                                                                                  ["r", "g"], ["w", "c"]])])
            self.emit(f"outl(\"{self.labels}: \", {shown})")

    def loop_routine(self):
        """A loop of the main block put into a procedure that runs two or
        three times, the shapes of its values changed between the runs: a
        plan made on the first run must give way where they no longer fit."""
        name = self.n(f"run{len(self.procs)}")
        saved, self.lines = self.lines, []
        self.indent = 1
        self.loop()
        body, self.lines = self.lines, saved
        self.indent = 0
        self.procs.append(f"proc {name} {{\n" + "\n".join(body) + "\n}")
        for call in range(self.rng.randint(2, 3)):
            if call:
                for _ in range(self.rng.randint(1, 2)):
                    self.emit(self.shape_change())
            self.emit(f"{name}()")
            self.emit(self.catch())

    def walk(self):
        """A walk of the list of lists, a loop over the element its variable
        stands for: reads through the alias, now and then a store."""
        x, var = self.n("x"), self.pick(self.counters)
        reads = [f"{x}[{var}]", f"{x}.get({var})", f"{x}.Get({var})", f"{x}[{x}.size() - 1 - {var}]"]
        body = [f"{self.pick(self.ints)} {self.pick(['+=', '-='])} {self.pick(reads)}"
                for _ in range(self.rng.randint(1, 3))]
        if self.chance(0.3):
            body.append(f"{x}[{var}] = {self.pick(reads)} + {self.small()}")
        if self.chance(0.3):
            body.insert(0, f"if ({self.pick(reads)} {self.pick(COMPARISONS)} {self.literal()}) {{ break(1) }}")
        self.emit(f"{self.n('ll')}.for({x}, {{")
        self.indent += 1
        self.emit(f"{var} = 0")
        self.emit(f"while ({{{var} < {x}.size()}}) {{ {'; '.join(body)}; {var} += 1 }}")
        self.emit(self.catch())
        self.indent -= 1
        self.emit("})")
        self.emit("outl(" + ', " ", '.join(self.ints + [self.n("ll")]) + ")")

    def shape_change(self):
        size, rng, pick = self.size, self.rng, self.pick
        forms = [
            (3, lambda: f"{self.n('a')}[{rng.randrange(size)}] = "
                        + pick(['"x"', "18446744073709551616", "-9223372036854775807 - 1", "2.5", "0", "7"])),
            (2, lambda: f"{pick(self.ints)} = " + pick(EDGES + ["0", "-5", '"t"'])),
            (2, lambda: f"{self.n('w')}[{rng.randrange(self.wsize)}] = " + pick(["5", '""', '"zz"', '"ka"'])),
            (2, lambda: f"{self.n('b')}[{rng.randrange(size)}] = " + pick([str(size), "0", "-1", "1"])),
            (1, lambda: f"{self.n('c')}[{rng.randrange(size)}] = " + pick(['"x"', "0", "4611686018427387904"])),
            (1, lambda: f"{self.n('h')}[{rng.randrange(4)}] = " + pick(['"t"', "0", "4611686018427387904"])),
            (1, lambda: f"{self.n('r')}[{rng.randrange(self.rsize)}] = " + pick(["true", "0", '"s"', "-7"])),
            (1, lambda: f"{self.n('g')}[0, 0] = " + pick(['"s"', "0", "9223372036854775807"])),
            (1, lambda: f"{self.bound} {pick(['+=', '-='])} 1"),
            (1, lambda: f"{self.n('tv')} = " + pick(['""', '"KA"', '"a b"'])),
            (0.5, lambda: f"{self.n('a')}.Ins0({self.literal()})"),
            (0.5, lambda: f"{self.n('a')} = list:("
                          + ", ".join(self.literal() for _ in range(rng.randint(1, size + 1))) + ")"),
            (0.3, lambda: f"{self.n('w')} = list:("
                          + ", ".join(self.word() for _ in range(rng.randint(1, self.wsize))) + ")"),
        ]
        if self.has_any:
            forms.append((2, lambda: f"{self.n('z')} = " + pick(['"t"', "1", "2.5", "4611686018427387904"])))
        if self.has_object:
            forms.append((1, lambda: f"{self.n('p')}.x = " + pick(["0", "9223372036854775807", "-3"])))
        forms += self.later_changes()
        return self.weighted(forms)

    # --- the program ------------------------------------------------------------------

    def program(self):
        """The program's text, without its final catch; the catch line; and
        whether the program ends with it (otherwise an error ends the run)."""
        self.depth_budget = 3
        head = self.world()
        routines = self.routines()
        self.lines = []
        for _ in range(self.rng.randint(1, 3)):
            if self.chance(0.25):
                self.statement()
            r = self.rng.random()
            if r < 0.25:
                self.loop_routine()
            elif r < 0.33:
                self.walk()
            elif r < 0.6:
                self.scene()
            else:
                self.loop()
        self.lines.append("outl(" + ', " ", '.join(self.ints + [self.n(x) for x in ("a", "b", "w", "h", "r")]
                                                   + self.later_shown()) + ")")
        if self.wide:
            self.lines.append("outl(" + ', " ", '.join(self.wide) + ")")
        catch = f"catch({self.n('e')}, {{outl(\"caught \", {self.n('e')})}})\n"
        text = "\n".join(head + routines + self.procs + self.lines) + "\n"
        return text, catch, self.chance(0.85)


def parts(seed, suffix=""):
    """(text, catch line, ends with the catch) of the program of a seed text."""
    return Generator(random.Random(seed), suffix).program()


def generate(seed, suffix=""):
    """The program of a seed text."""
    text, catch, caught = parts(seed, suffix)
    return text + (catch if caught else "")


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    seed = sys.argv[1] if len(sys.argv) == 2 else f"{sys.argv[1]}:{sys.argv[2]}"
    sys.stdout.write(generate(seed))
