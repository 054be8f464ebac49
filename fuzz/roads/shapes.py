"""The later shapes of generate.py's programs, as a part of its Generator:

- a user type (bigtype or smalltype, now and then a type built on it) with a
  list member whose methods read it by position (`vals[i]`, `vals.get(i)`,
  `vals.Get(i)`, `vals.size()`) in expressions, assignments, ifs, loops and
  walks of the list itself; its elements ints, texts, reals and undefined
  values. The methods are called on the object's variable, through a
  reference to it, and on the object given read-only (a routine's plain
  parameter, or a parameter of another method), where `vals[i]` fails and
  `get` reads;
- a list variable that refers to another list (`v @ a`), read by position,
  pointed elsewhere, walked, and made inside routines to refer to a
  read-only parameter;
- a graph whose nodes are read by position (`g.get(i)`, `g.Get(i)`) in int
  expressions: non-int values, positions outside it, edge addresses, a
  graph given as a parameter;
- scenes that run one assignment many times while what it reads changes
  between the runs: `s = f(i)` with f sometimes failing or giving a text,
  `s = o.m(i)` on a changing object, `t = str:(a, b)`, `t = other`,
  `n = big` past 64 bits, into typed and `any` targets;
- scenes of repeated appends `line += str:(...)`, the target shorter or
  longer than the texts appended, given as an argument itself or not.

Every loop of a scene is bounded, and a text that doubles is cut back once
it passes a few hundred characters.
"""
import re

LONG = ["18446744073709551616", "(-18446744073709551617)", "340282366920938463463374607431768211456",
        "9223372036854775808", "(-9223372036854775807 - 2)"]
EDGES = ["9223372036854775807", "(-9223372036854775807 - 1)", "4611686018427387904", "18446744073709551616"]
WORDS_SHORT = ['""', '"a"', '"q"', '"ka"']
WORDS_LONG = ['"klmnopqrstuvwxyz0123"', '"the long argument, longer than its target"', '"abcdefghij"']
EDGES_TEXT = ["9223372036854775807", "(-9223372036854775807 - 1)", "18446744073709551616", "0", "-1"]
# Output formats the conversions' roads leave to the general one, set now
# and then within a scene and taken back after it.
FORMATS = ['set_out_spc("-")', "set_out_fmt('.', \"+3\")", 'set_out_spc("")']
RESETS = ['set_out_spc("")', 'set_out_fmt("")']
SCALARS = ['"zz"', '5', '2.5', "'c'", '-7', 'true', '18446744073709551616', '""']


class Shapes:
    """Mixed into generate.Generator: the world parts, element reads,
    stores and shape changes of the user type with a list member, the link
    and the graph, and the scenes of kept roads and appends."""

    def later_init(self):
        self.box = None      # the user type: a dict of its names, or None
        self.link = None     # the list variable that refers to another
        self.graph = None    # the graph: its name and its number of nodes
        self.scenes = 0      # scenes written, which number their names
        self.has_odd = False  # whether the odd values' variables are declared

    # --- world --------------------------------------------------------------

    def later_world(self, out):
        if self.chance(0.3):
            out += self.box_world()
        if self.chance(0.25):
            out += self.link_world()
        if self.chance(0.25):
            out += self.graph_world()

    def odd_element(self):
        """An element that no int read takes: a text, a real, an empty int
        or an undefined value."""
        return self.pick(['"x"', '"ka"', "2.5", self.n("nv"), self.n("nv"), self.n("dd"), self.n("av")])

    def odd_values(self, out):
        """The variables odd_element names: an empty int, a deleted one and
        an any without a value."""
        if self.has_odd:
            return
        self.has_odd = True
        out += [f"int {self.n('nv')}", f"int {self.n('dd')} = 1", f"del({self.n('dd')})", f"any {self.n('av')}"]

    def box_world(self):
        out = []
        self.odd_values(out)
        kind = self.pick(["bigtype", "smalltype"])
        t, v = self.n("Bx"), self.n("vals")
        size = self.rng.randint(3, 6)
        box = {"type": t, "vals": v, "size": size, "funcs": [], "procs": [], "with": [], "shadow": [],
               "ro": [], "obj": self.n("bx"), "other": self.n("bx2"), "ref": None}
        self.box = box

        def read(index):
            return self.pick([f"{v}[{index}]", f"{v}.get({index})", f"{v}.Get({index})", f"{v}[{index}]"])

        def index():
            return self.pick(["i", "i", "i", "i + 1", f"{v}.size() - 1 - i", "k", f"(i + k) % {v}.size()",
                              f"{v}.size() - 1"])

        # An any member holds the list now and then: it may come to hold
        # something else.
        box["any"] = self.chance(0.2)
        members = [f"  int k({self.rng.randint(0, 3)})", f"  {'any' if box['any'] else 'list'} {v}"]
        if self.chance(0.4):
            members.insert(self.rng.randint(0, 2), f"  str tag({self.word()})")
        if self.chance(0.3):
            members.reverse()
        lines = [f"{kind} {t} {{"] + members
        bodies = [
            lambda: f"r = {read('i')}",
            lambda: f"r = {read(index())} {self.pick(['+', '-', '*', '%'])} {self.pick(['1', '2', '7', '-3'])}",
            lambda: f"r = {read('i')} + {read(index())}",
            lambda: f"r = {v}.size() * 10 + {read(index())}",
            lambda: f"r = {v}.size()",
            lambda: f"int x = 0; x = {read(index())}; r = x * 2 + 1",
            lambda: f"int x = {read('i')} + 1; r = x",
            lambda: f"if ({read('i')} {self.pick(['>', '==', '<='])} {self.pick(['0', '2', '5'])}) "
                    f"{{ r = {read(index())} }} {{ r = {v}.size() }}",
            # The list walked around the read: a variable of the walk and
            # the read of the same list by position.
            lambda: f"r = 0; {v}.for(x, {{ r += {read(index())} }})",
            lambda: f"r = 0; {v}.for(x, {{ if (x == {read('i')}) {{ r += 1 }} }})",
            lambda: f"r = 0; {v}.For(x, {{ r = r * 2 + {read('i')}; if (r > 1000) {{ break(1) }} }})",
            # An int loop over the member.
            lambda: f"r = 0; int j = 0; while ({{j < i && j < {v}.size()}}) {{ r += {read('j')}; j += 1 }}",
            lambda: f"r = 0; int j; for ({{j = 0}}, {{j < {v}.size()}}, {{j += 1}}) "
                    f"{{ if ({read('j')} > i) {{ r += {read('j')} }} }}",
            # The list changed between the reads.
            lambda: f"r = 0; int j = 0; while ({{j < {v}.size()}}) {{ {v}[j] = {read('j')} + 1; r += {read('j')}; "
                    f"j += 1 }}",
            lambda: f"r = {read('i')}; {v}[0] = i; r += {read(index())}",
        ]
        for x in range(self.rng.randint(2, 4)):
            name = f"r{x}"
            lines.append(f"  func {name}(int i)(int r) {{ {self.pick(bodies)()} }}")
            box["funcs"].append(name)
        if self.chance(0.7):
            lines.append(f"  proc put(int i) {{ k = {read(index())}{self.pick(['', ' + 1', ' % 4'])} }}")
            box["procs"].append("put")
        if self.chance(0.5):
            # Another object of the type given read-only to a method: its
            # reads run as on a constant object, the receiver's as on a
            # variable, each in its turn.
            m = self.pick(box["funcs"])
            body = self.pick([f"r = o.{m}(i) + {read('i')}", f"r = {read('i')} + o.{m}(i)",
                              f"r = o.{m}(i) * 2 - {read(index())}", f"r = o.{v}.get(i) + {read('i')}"])
            lines.append(f"  func with({t} o; int i)(int r) {{ {body} }}")
            box["with"].append("with")
        if self.chance(0.25):
            # A parameter named like the member: the name is the parameter,
            # read-only, in this routine.
            lines.append(f"  func sh(list {v}; int i)(int r) {{ r = {read('i')} }}")
            box["shadow"].append("sh")
        lines.append("}")
        defined = t
        if self.chance(0.25):
            # A routine of the type written outside its body.
            lines.append(f"func {t}:rx(int i)(int r) {{ r = {read(index())} + {v}.size() }}")
            box["funcs"].append("rx")
        if self.chance(0.25):
            # A type built on it, its own members before the base's: the
            # object is of this type, the other one of the base type (the
            # only one with() takes).
            defined = self.n("By")
            lines.append(f"{kind} {defined}({t}) {{ int q(7); str n(\"n\") }}")
        out.append("\n".join(lines))
        box["objtype"] = defined
        obj, other = box["obj"], box["other"]
        out.append(f"{defined} {obj}")
        if box["any"]:
            out.append(f"{obj}.{v} = list:()")
        out.append(f"{obj}.{v}.Ins0({', '.join(self.box_element() for _ in range(size))})")
        out.append(f"{t} {other}")
        if box["any"]:
            out.append(f"{other}.{v} = list:()")
        out.append(f"{other}.{v}.Ins0({', '.join(self.literal() for _ in range(self.rng.randint(1, size)))})")
        if self.chance(0.3):
            box["ref"] = self.n("bref")
            out.append(f"any {box['ref']}")
            out.append(f"{box['ref']} @ {obj}")
        if self.chance(0.2):
            # A list of the program named like the member, outside the type.
            out.append(f"list {v}(100, 200)")
        # Routines given the object read-only.
        for x in range(self.rng.randint(1, 2)):
            name = self.n(f"ro{x}")
            m = self.pick(box["funcs"])
            body = self.pick([f"r = o.{m}(i)", f"r = o.{m}(i) + o.k",
                              f"r = 0; int j = 0; while ({{j < i && j < 8}}) {{ r += o.{m}(j); j += 1 }}",
                              f"r = o.{v}.get(i) + o.{m}(i)"])
            out.append(f"func {name}({defined} o; int i)(int r) {{ {body} }}")
            box["ro"].append(name)
        # Other ways to the object or to a copy of it, each with the mode
        # the general road gives it: a list and a hash holding it (a
        # reference to a bigtype, a copy of a smalltype), a function
        # result, and a walk over a list given read-only.
        box["holders"] = []
        if self.chance(0.5):
            held, table, made = self.n("bl"), self.n("bh"), self.n("mkb")
            out.append(f"list {held}({obj})")
            out.append(f"hash {table}(\"k\", {obj})")
            elements = ", ".join(self.box_element() for _ in range(size))
            out.append(f"func {made}({defined} r) {{ r.{v}.Ins0({elements}) }}")
            m = self.pick(box["funcs"])
            walk = self.n("rw")
            out.append(f"func {walk}(list l; int i)(int r) {{ r = 0; l.for(o, {{ r += o.{m}(i) }}) }}")
            box["holders"] = [f"{held}[0]", f"{held}.get(0)", f"{table}[\"k\"]", f"{table}.get(\"k\")", f"{made}()"]
            box["walk"] = (walk, held)
        return out

    def box_receiver(self):
        """The object a method is called on: mostly the variable itself."""
        box = self.box
        forms = [(6, lambda: box["obj"])]
        if box["ref"]:
            forms.append((1.5, lambda: box["ref"]))
        if box["holders"]:
            forms.append((2, lambda: self.pick(box["holders"])))
        return self.weighted(forms)

    def box_call(self, index):
        """An int read through the object's methods, at a position."""
        box = self.box
        forms = [(6, lambda: f"{self.box_receiver()}.{self.pick(box['funcs'])}({index})"),
                 (3, lambda: f"{self.pick(box['ro'])}({box['obj']}, {index})")]
        if box["with"]:
            forms.append((1.5, lambda: f"{box['obj']}.with({self.with_argument()}, {index})"))
        if box["shadow"]:
            forms.append((0.5, lambda: f"{box['obj']}.sh({self.n(self.pick(['a', 'b', 'c']))}, {index})"))
        if box.get("walk"):
            forms.append((1, lambda: f"{box['walk'][0]}({box['walk'][1]}, {index})"))
        return self.weighted(forms)

    def with_argument(self):
        """An object with() takes: of the base type, the receiver itself
        when it is one."""
        box = self.box
        return self.pick([box["obj"], box["other"]] if box["objtype"] == box["type"] else [box["other"]])

    def member_change(self):
        """The member made to refer to another list, or, in an any member,
        to hold something else."""
        box = self.box
        target = f"{box['obj']}.{box['vals']}"
        forms = [f"{target} @ {self.n(self.pick(['a', 'b', 'c']))}",
                 f"{target} = list:({', '.join(self.literal() for _ in range(box['size']))})"]
        if box["any"]:
            held = self.pick(['"xyz"', "5", "list:()"])
            forms += [f"{target} = {held}"] * 2
        return self.pick(forms)

    def box_element(self):
        return self.odd_element() if self.chance(0.12) else self.literal(edge=0.05)

    def link_world(self):
        out = []
        self.odd_values(out)
        name = self.n("v")
        self.link = {"name": name, "routines": []}
        out.append(f"{self.pick(['list', 'list', 'list', 'any'])} {name}")
        out.append(f"{name} @ {self.n(self.pick(['a', 'b', 'c']))}")

        def read(v, i):
            return self.pick([f"{v}.get({i})", f"{v}[{i}]", f"{v}.Get({i})", f"{v}.get({i}) + {v}[{i}]",
                              f"{v}.size() + {v}.get({i})", f"{v}[{v}.size() - 1]"])

        for x in range(self.rng.randint(1, 2)):
            routine = self.n(f"lk{x}")
            param = self.pick(["list l", "list l", "list l", "list:$ l"])
            body = self.pick([
                f"list v; v @ l; r = {read('v', 'i')}",
                f"list v; v @ l; r = {read('v', 'i')} * 2 - 1",
                # A walk of the parameter, read through the link meanwhile.
                f"r = 0; list v; v @ l; l.for(x, {{ r += {read('v', 'i')} }})",
                # The link pointed elsewhere within the routine.
                f"list v; v @ l; r = {read('v', 'i')}; v @ {self.n('a')}; r += {read('v', 'i')}",
                f"any v; v @ l; r = {read('v', 'i')}",
            ])
            out.append(f"func {routine}({param}; int i)(int r) {{ {body} }}")
            self.link["routines"].append(routine)
        # Lists the variable is pointed to besides a, b, c and w: a list in
        # the list of lists, the object's member list, the variable of a
        # routine that has ended.
        targets = [f"{self.n('ll')}[{self.rng.randrange(3)}]"]
        if self.box:
            targets.append(f"{self.box['obj']}.{self.box['vals']}")
        if self.chance(0.4):
            # An any variable holding a list, which may come to hold
            # something else while the link points to it.
            holder = self.n("lh")
            out.append(f"any {holder} = list:({', '.join(self.literal() for _ in range(self.size))})")
            targets.append(holder)
            self.link["holder"] = holder
        if self.chance(0.3):
            gone = self.n("lkg")
            out.append(f"proc {gone} {{ list gone({', '.join(self.literal() for _ in range(self.size))}); "
                       f"{name} @ gone }}")
            self.link["gone"] = gone
        self.link["targets"] = targets
        return out

    def link_target(self):
        """A list for the link to point to: mostly a, b or c."""
        link = self.link
        forms = [(6, lambda: self.n(self.pick(["a", "b", "c", "a", "b"]))), (0.7, lambda: self.n("w")),
                 (1.5, lambda: self.pick(link["targets"]))]
        return self.weighted(forms)

    def link_change(self):
        """Points the link elsewhere, or to a list that is about to go;
        changes what the any variable it may point to holds."""
        if self.link.get("gone") and self.chance(0.15):
            return f"{self.link['gone']}()"
        if self.link.get("holder") and self.chance(0.15):
            held = self.pick(['"ab"', "5", f"list:({', '.join(self.literal() for _ in range(self.size))})"])
            return f"{self.link['holder']} = {held}"
        return f"{self.link['name']} @ {self.link_target()}"

    def graph_world(self):
        out = []
        self.odd_values(out)
        name = self.n("gr")
        size = self.rng.randint(3, 6)
        self.graph = {"name": name, "size": size, "edges": [], "addr": self.n("ad"), "routine": self.n("gn")}
        values = [self.odd_element() if self.chance(0.12) else self.literal(edge=0.05) for _ in range(size)]
        out.append(f"graph {name}({', '.join(values)})")
        edges = []
        for _ in range(self.rng.randint(0, 4)):
            s, t = self.rng.randrange(size), self.rng.randrange(size)
            edges.append((s, t))
            value = self.pick(['"ed"', "2.5"]) if self.chance(0.15) else self.literal()
            out.append(f"{name}.ins(any2:({s}, {t}), {value})")
        self.graph["edges"] = edges
        s, t = edges[0] if edges and self.chance(0.7) else (self.rng.randrange(size), self.rng.randrange(size))
        out.append(f"any2 {self.graph['addr']} = any2:({s}, {t})")
        body = self.pick(["r = h.get(i)", "r = h.get(i) + h.Get(i)", "r = h.Get(i) * 2 - h.size()",
                          "r = 0; int j = 0; while ({j < h.size()}) { r += h.get(j) * j; j += 1 }",
                          "r = h.get(i % h.size()) + h.get(0)"])
        out.append(f"func {self.graph['routine']}(graph h; int i)(int r) {{ {body} }}")
        self.graph["holders"] = []
        if self.chance(0.4):
            # The graph reached through a reference and a list holding it.
            ref, held = self.n("grv"), self.n("gl")
            out += [f"any {ref}", f"{ref} @ {name}", f"list {held}({name})"]
            self.graph["holders"] = [ref, f"{held}[0]", f"{held}.get(0)"]
        return out

    def graph_receiver(self):
        graph = self.graph
        if graph["holders"] and self.chance(0.25):
            return self.pick(graph["holders"])
        return graph["name"]

    # --- reads and stores in loops -----------------------------------------------

    def graph_position(self):
        size = self.graph["size"]
        if self.chance(0.06):
            return self.pick(["-1", "-2", str(size), str(size + 3), self.pick(EDGES)])
        return self.position(size)

    def edge_address(self):
        g = self.graph
        if g["edges"] and self.chance(0.6):
            s, t = self.pick(g["edges"])
        else:
            s, t = self.rng.randrange(g["size"]), self.rng.randrange(g["size"])
        return f"any2:({s}, {t})"

    def later_elements(self):
        """(weight, maker) of the int reads of the later world parts."""
        forms = []
        box, link, graph = self.box, self.link, self.graph
        if box:
            obj, size = box["obj"], box["size"]
            forms += [(7, lambda: self.box_call(self.position(size))),
                      (0.5, lambda: f"{obj}.k"),
                      (0.3, lambda: f"{obj}.{box['vals']}.get({self.position(size)})")]
        if link:
            v = link["name"]
            forms += [(2.5, lambda: f"{v}.get({self.list_position('a', self.size)})"),
                      (2.5, lambda: f"{v}[{self.position(self.size)}]"),
                      (1.5, lambda: f"{v}.Get({self.position(self.size)})"),
                      (0.5, lambda: f"{v}.size()"),
                      (1, lambda: f"{self.pick(link['routines'])}({self.pick([v, self.n('a'), self.n('b')])}, "
                                  f"{self.position(self.size)})")]
        if graph:
            g = graph["name"]
            forms += [(3, lambda: f"{self.graph_receiver()}.get({self.graph_position()})"),
                      (2, lambda: f"{self.graph_receiver()}.Get({self.graph_position()})"),
                      (0.5, lambda: f"{g}.get({self.pick([self.edge_address(), graph['addr']])})"),
                      # More than one position: a result for each.
                      (0.1, lambda: f"{g}.{self.pick(['get', 'Get'])}({self.graph_position()}, "
                                    f"{self.graph_position()})"),
                      (0.8, lambda: f"{graph['routine']}({g}, {self.graph_position()})")]
        return forms

    def later_stores(self):
        """(weight, maker) of the statements on the later world parts."""
        forms = []
        box, link, graph = self.box, self.link, self.graph
        if box:
            obj, v, size = box["obj"], box["vals"], box["size"]
            forms += [(1, lambda: f"{obj}.{v}[{self.position(size)}] = {self.stored()}"),
                      (0.5, lambda: f"{obj}.{v}[{self.position(size)}] {self.pick(['+=', '-='])} {self.small()}"),
                      (0.4, lambda: f"{obj}.{v}.Ins0({obj}.{v}.get0()); {obj}.{v}.del0()"),
                      # A walk of the member list around a method that reads it.
                      (0.6, lambda: f"{obj}.{v}.for({self.n('wb')}, {{ {self.pick(self.ints)} += "
                                    f"{obj}.{self.pick(box['funcs'])}({self.position(size)}) }})")]
            if box["procs"]:
                forms.append((1, lambda: f"{obj}.put({self.position(size)})"))
        if link:
            name = link["name"]
            forms += [(1, lambda: f"{name}[{self.position(self.size)}] = {self.stored()}"),
                      (0.5, lambda: f"{name}[{self.position(self.size)}] {self.pick(['+=', '-='])} {self.small()}"),
                      (0.6, lambda: self.link_change()),
                      # The link pointing to the list being walked.
                      (0.6, lambda: self.link_walk())]
        if graph:
            g = graph["name"]
            forms += [(1, lambda: f"{g}[{self.graph_position()}] = {self.stored()}"),
                      (0.5, lambda: f"{g}[{self.graph_position()}] {self.pick(['+=', '-='])} {self.small()}"),
                      (0.3, lambda: f"{g}.Ins0({g}.get0()); {g}.del0()"),
                      (0.3, lambda: f"{graph['addr']} = {self.edge_address()}")]
        return forms

    def link_walk(self):
        name = self.link["name"]
        target = self.n(self.pick(["a", "b", "c"]))
        x = self.n("wl")
        p = self.position(self.size)
        body = self.pick([f"{self.pick(self.ints)} += {name}.get({p})",
                          f"{self.pick(self.ints)} -= {name}[{p}] + {x}",
                          f"{name}[{p}] += 1",
                          f"if ({name}.Get({p}) > {self.literal()}) {{ break(1) }}"])
        return f"{name} @ {target}; {target}.for({x}, {{ {body} }})"

    def later_changes(self):
        """(weight, maker) of the changes between runs of a loop routine."""
        forms = []
        box, link, graph = self.box, self.link, self.graph
        if box:
            obj, v, size = box["obj"], box["vals"], box["size"]
            forms += [(1, lambda: f"{obj}.{v}[{self.rng.randrange(size)}] = "
                                  + self.pick(['"x"', "2.5", "7", "0", "9223372036854775807", self.n("nv")])),
                      (0.5, lambda: f"{obj}.k = {self.pick(['-1', '0', '100'])}"),
                      (0.3, lambda: self.member_change()),
                      (0.3, lambda: f"{obj}.{v}.Ins0({self.literal()})"),
                      (0.3 if box["objtype"] == box["type"] else 0, lambda: f"{obj} = {box['other']}")]
        if link:
            forms.append((1, lambda: self.link_change()))
            forms.append((0.3, lambda: f"{link['name']} = list:({', '.join(self.literal() for _ in range(3))})"))
        if graph:
            g = graph["name"]
            forms += [(1, lambda: f"{g}[{self.rng.randrange(graph['size'])}] = "
                                  + self.pick(['"s"', "2.5", "0", "9223372036854775807"])),
                      (0.3, lambda: f"{g}.Ins0({self.literal()})"),
                      (0.3, lambda: f"{g}.del0()")]
        return forms

    def later_shown(self):
        """The later world parts' names, for the final output."""
        names = []
        if self.box:
            names.append(self.box["obj"])
        if self.link:
            names.append(self.link["name"])
        if self.graph:
            names.append(self.graph["name"])
        return names

    # --- scenes ------------------------------------------------------------------

    def scene(self):
        """A scene of its own at the top of the main block: its
        declarations, then a loop that runs one shape many times."""
        self.scenes += 1
        self.emit(self.catch())  # an error left pending before would skip it
        forms = [(1, self.call_scene), (1, self.method_scene), (1, self.conversion_scene),
                 (0.7, self.text_copy_scene), (1, self.int_copy_scene), (1.3, self.append_scene)]
        if self.box:
            forms.append((3, self.box_scene))
        if self.link:
            forms.append((2.5, self.link_scene))
        if self.graph:
            forms.append((2.5, self.graph_scene))
        self.weighted(forms)

    def sn(self, name):
        """A name of this scene."""
        return self.n(f"{name}{self.scenes}")

    def changes(self, var, options, count, statement=None):
        """Changes made on some runs of a scene's loop: an if on the loop
        variable around each; mostly of the names the statement reads or
        writes, when it is given."""
        near = options
        if statement is not None:
            names = set(re.findall(r"[A-Za-z_][A-Za-z_0-9]*", statement))
            near = [o for o in options if names & set(re.findall(r"[A-Za-z_][A-Za-z_0-9]*", o))] or options
        out = []
        for _ in range(self.rng.randint(1, 2)):
            change = self.pick(near if self.chance(0.85) else options)
            test = self.pick([f"{var} % {self.rng.randint(2, 6)} == {self.rng.randint(0, 1)}",
                              f"{var} == {self.rng.randrange(count)}",
                              f"{var} > {self.rng.randrange(count)}"])
            out.append(f"if ({test}) {{ {change} }}")
        return out

    def scene_loop(self, count, body, after=None, wrap_in=None):
        """The scene's loop of `count` runs over the body's lines (IX the
        loop variable; the catch comes last in every run), then the lines
        after it. Now and then the loop stands in a procedure that runs
        twice, one of the changes `wrap_in` between the two runs."""
        var = self.sn("ix")
        self.emit(f"int {var}")
        body = [line.replace("IX", var) for line in body]
        catch = f"catch({self.n('e')}, {{outl(\"k \", {var}, \" \", {self.n('e')})}})"
        form = self.rng.random()
        if form < 0.45:
            lines = [f"for ({{{var} = 0}}, {{{var} < {count}}}, {{{var} += 1}}) {{"] + ["  " + b for b in body] \
                    + ["  " + catch, "}"]
        elif form < 0.7:
            lines = [f"for ({var}, 0 .. {count - 1}) {{"] + ["  " + b for b in body] + ["  " + catch, "}"]
        else:
            lines = [f"{var} = 0", f"while ({{{var} < {count}}}) {{"] + ["  " + b for b in body] \
                    + ["  " + catch, f"  {var} += 1", "}"]
        if wrap_in is not None and self.chance(0.35):
            proc = self.sn("kr")
            self.emit(f"proc {proc} {{")
            for line in lines:
                self.emit("  " + line)
            self.emit("}")
            self.emit(f"{proc}()")
            self.emit(self.catch())
            self.emit(self.pick(wrap_in).replace("IX", var))
            self.emit(f"{proc}()")
            self.emit(self.catch())
        else:
            for line in lines:
                self.emit(line)
        for line in after or []:
            self.emit(line.replace("IX", var))

    def result_body(self, arg, result):
        """The body of a function of one int argument whose result is of
        the given type (int or any), changing with the argument."""
        p = self.rng.randint(2, 5)
        q = self.rng.randrange(p)
        lit = self.pick(["1", "3", "-2", "7", "100"])
        thrown = ['"no"', arg, 'error:("bad")']
        forms = [f"r = {arg} * {lit} + 1",
                 f"if ({arg} % {p} == {q}) {{ throw({self.pick(thrown)}) }}; r = {arg} + {lit}",
                 f"if ({arg} > {self.rng.randint(2, 9)}) {{ r = {arg} * 9223372036854775807 }} {{ r = {arg} }}",
                 f"r = {arg}; if ({arg} % {p} == {q}) {{ r = r * 4611686018427387904 * 4 }}",
                 f"if ({arg} % {p} != {q}) {{ r = {arg} * 2 }}"]
        if result == "any":
            forms += [f"if ({arg} % {p} == {q}) {{ r = \"t\" }} {{ r = {arg} * 3 }}",
                      f"r = {arg}; if ({arg} % {p} == {q}) {{ r = 2.5 }}",
                      f"r = {arg} * 3; if ({arg} % {p} == {q}) {{ throw(\"no\") }}",
                      f"if ({arg} % {p} == {q}) {{ r = list:({arg}) }} {{ r = {arg} }}",
                      f"r = {arg} % {p} == {q}; if ({arg} % 3 == 2) {{ r = {arg} }}"] * 2
        return self.pick(forms)

    def int_target(self, truth=False):
        """A target of an int assignment in a scene: a new int or any
        variable of its own, or an int of the world; with `truth`, now and
        then a bool. (declarations, name, changes of type it may take)"""
        r = self.rng.random()
        if r < 0.45:
            name = self.sn("ks")
            return [f"int {name} = 0"], name, []
        if r < 0.8:
            name = self.sn("kz")
            return [f"any {name} = 0"], name, [f"{name} = \"t\"", f"{name} = 2.5", f"{name} = IX",
                                                f"{name} = list:(1)", f"{name} = true"]
        if r < 0.88 and truth:
            # A truth: the call road declines it after the call has run.
            name = self.sn("kq")
            return [f"bool {name}"], name, []
        name = self.pick(self.ints + ([self.n("al")] if self.has_alias else [])
                         + ([self.n("q")] if self.has_ref else []))
        return [], name, []

    def scene_index(self, size):
        """A position from the scene's loop variable: in 0 .. size - 1
        mostly, now and then negative or past the end."""
        return self.weighted([(4, lambda: f"IX % {size}"), (2, lambda: "IX"), (1, lambda: f"IX - {size // 2}"),
                              (1, lambda: f"{size - 1} - IX % {size}"), (0.5, lambda: f"IX % {size + 2} - 1")])

    def read_scene(self, reads, changes, count, shown):
        """A loop of int reads `reads` makes (given a position), into a
        variable of the scene and the world's ints, some of the changes
        among them."""
        x = self.sn("rx")
        self.emit(f"int {x} = 0")
        body = []
        for _ in range(self.rng.randint(2, 4)):
            read = reads()
            body.append(self.pick([f"{x} = {read}", f"{x} = {read} + 1", f"{x} = {read} * 2",
                                   f"{self.pick(self.ints)} += {read}", f"{x} = {read} - {reads()}",
                                   f"if ({read} > {self.literal()}) {{ {x} += 1 }}"]))
        if self.chance(0.7):
            body = self.changes("IX", changes, count) + body
            self.rng.shuffle(body)
        body.append(f"outl(IX, \" \", {x})")
        self.scene_loop(count, body, [f"outl({x}, \" \", {shown})"], changes)

    def box_scene(self):
        """The methods that read the member list run round after round, on
        the object, through a reference and given read-only, the list
        walked around some of them."""
        box = self.box
        obj, v, size = box["obj"], box["vals"], box["size"]

        def reads():
            return self.box_call(self.scene_index(size))

        odd = self.pick(['"x"', "2.5", "7", "0", self.n("nv"), "9223372036854775807"])
        changes = [f"{obj}.{v}[{self.rng.randrange(size)}] = {odd}",
                   f"{obj}.{v}[{self.rng.randrange(size)}] = {self.literal()}",
                   f"{obj}.k = {self.pick(['-1', '0', '2', '100'])}"]
        if box["procs"]:
            changes.append(f"{obj}.put({self.scene_index(size)})")
        if self.chance(0.3):
            changes.append(self.member_change())
        if self.chance(0.4):
            # The member list walked around the reads.
            x = self.sn("rx")
            self.emit(f"int {x} = 0")
            self.walk_reads(x, f"{obj}.{v}.for({self.sn('wv')}, {{", reads, 7, [], f"outl({x})")
            return
        self.read_scene(reads, changes, self.rng.randint(6, 30), obj)

    def walk_reads(self, x, head, reads, modulo, extra, tail):
        """A walk whose body adds reads (their index from x) to x, with the
        extra lines after the read, then prints the tail."""
        self.emit(head)
        self.emit(f"  {x} += {reads().replace('IX', x + f' % {modulo}')}")
        for line in extra:
            self.emit(f"  {line}")
        self.emit(f"  {x} = {x} % 1000")
        self.emit(f"  catch({self.n('e')}, {{outl(\"k \", {self.n('e')})}})")
        self.emit("})")
        self.emit(tail)

    def link_scene(self):
        """Reads through the list variable that refers to another list,
        round after round, pointed to other lists between them."""
        link = self.link
        v = link["name"]

        def reads():
            i = self.scene_index(self.size)
            return self.weighted([(3, lambda: f"{v}.get({i})"), (3, lambda: f"{v}[{i}]"),
                                  (2, lambda: f"{v}.Get({i})"), (0.5, lambda: f"{v}.size()"),
                                  (2, lambda: f"{self.pick(link['routines'])}"
                                              f"({self.pick([v, self.n('a'), self.n('c')])}, {i})")])

        odd = self.pick(['"x"', "4", "-1", self.n("nv")])
        changes = [self.link_change(), self.link_change(),
                   f"{v}[{self.rng.randrange(self.size)}] = {odd}",
                   f"{self.n('a')}[{self.rng.randrange(self.size)}] = {self.literal()}",
                   f"{v} = list:({', '.join(self.literal() for _ in range(self.size))})"]
        if self.chance(0.35):
            # The link pointing to the list being walked.
            target = self.n(self.pick(["a", "b", "c"]))
            x = self.sn("rx")
            self.emit(f"int {x} = 0")
            self.emit(f"{v} @ {target}")
            walk = self.sn("wv")
            head = f"{target}.{self.pick(['for', 'For'])}({walk}, {{"
            extra = [f"{v}[{self.rng.randrange(self.size)}] {self.pick(['+=', '-='])} 1"] if self.chance(0.5) else []
            self.walk_reads(x, head, reads, 5, extra, f"outl({x}, \" \", {target})")
            return
        self.read_scene(reads, changes, self.rng.randint(6, 30), v)

    def graph_scene(self):
        """Node values read by position round after round, the values and
        the nodes changed between them."""
        graph = self.graph
        g, size = graph["name"], graph["size"]

        def reads():
            i = self.scene_index(size)
            return self.weighted([(4, lambda: f"{self.graph_receiver()}.get({i})"),
                                  (3, lambda: f"{self.graph_receiver()}.Get({i})"),
                                  (1, lambda: f"{g}.get({self.pick([self.edge_address(), graph['addr']])})"),
                                  (2, lambda: f"{graph['routine']}({g}, {i})")])

        odd = self.pick(['"s"', "2.5", "0", "9223372036854775807", self.n("nv")])
        changes = [f"{g}[{self.rng.randrange(size)}] = {odd}",
                   f"{g}[{self.rng.randrange(size)}] = {self.literal()}",
                   f"{g}.Ins0({self.literal()})", f"{g}.del0()", f"{graph['addr']} = {self.edge_address()}"]
        self.read_scene(reads, changes, self.rng.randint(6, 30), g)

    def call_scene(self):
        """s = f(i) run many times: f sometimes fails, gives a text, a
        number past 64 bits or nothing, or changes the target itself; the
        target may change type, or be the variable of a walk."""
        f = self.sn("kf")
        result = self.pick(["int", "any"])
        decls, target, target_changes = self.int_target(result == "any")
        for d in decls:
            self.emit(d)
        body = self.result_body("a", result)
        results = f"({result} r)"
        shape = self.rng.random()
        recursive = False
        if shape < 0.2:
            # The call changes what its statement's target names.
            p = self.rng.randint(2, 4)
            change = self.pick([f"{target} += 1", f"del({target})", f"{target} = \"t\"", f"clear({target})"])
            body = f"if (a % {p} == {self.rng.randrange(p)}) {{ {change} }}; {body}"
        elif shape < 0.3:
            # Two results for one target.
            results = f"({result} r; int q)"
            body = f"q = a + 1; {body}"
        elif shape < 0.38 and target not in self.ints + [self.n("al"), self.n("q")]:
            # The result a reference or an alias: to the target itself, or
            # to another int.
            p = self.rng.randint(2, 4)
            other = self.pick([target, target, self.pick(self.ints)])
            body = f"if (a % {p} == {self.rng.randrange(p)}) {{ r {self.pick(['@', '$'])} {other} }} {{ {body} }}"
        elif shape < 0.45:
            # Recursive: the statement r = f(a - 1) runs inside its own run.
            recursive = True
            p = self.rng.randint(2, 4)
            base = self.pick(["1", "a", "\"t\"", "-1"] if result == "any" else ["1", "a", "-1"])
            body = (f"if (a <= 0) {{ r = {base} }} {{ r = {f}(a - 1){self.pick(['', ' + 1', ' * 2'])}; "
                    f"if (a % {p} == {self.rng.randrange(p)}) {{ {self.result_body('a', result)} }} }}")
        self.emit(f"func {f}(int a){results} {{ {body} }}")
        arg = self.pick(["IX", "IX", "IX + 1", "IX % 7", "IX * IX"])
        if recursive:
            arg = "IX % 9"
        options = list(target_changes)
        if self.chance(0.3):
            # Another routine of the same name, for a text: an argument
            # that changes type changes the routine the call runs.
            ka = self.sn("ka")
            self.emit(f"func {f}(str a){self.pick(['(int r) { r = a.size() }', '(str r) { r = a + a }'])}")
            self.emit(f"any {ka} = 0")
            options += [f"{ka} = \"ab\"", f"{ka} = IX", f"{ka} = 2.5"]
            arg = ka
        right = f"{f}({arg})"
        if self.chance(0.2):
            right = f"{right} {self.pick(['+', '-', '*'])} {self.pick(['1', '2', 'IX'])}"
        count = self.rng.randint(8, 70)
        if self.chance(0.15):
            # The target is the variable of a walk: an element of the list.
            kl, wv = self.sn("kl"), self.sn("kw")
            self.emit(f"list {kl}({', '.join(self.literal() for _ in range(self.rng.randint(1, 4)))})")
            statement = f"{kl}.for({wv}, {{ {wv} = {f}({self.pick([wv + ' % 7', 'IX'])}) }})"
            self.scene_loop(min(count, 12), [statement, f"outl(IX, \" \", {kl})"], [f"outl({kl})"], options or None)
            return
        body = (self.changes("IX", options, count) if options and self.chance(0.8) else []) + [f"{target} = {right}"]
        if count <= 20 or self.chance(0.3):
            body.append(f"outl(IX, \" \", {target})")
        self.scene_loop(count, body, [f"outl({target})"], options or None)

    def method_scene(self):
        """s = o.m(i) run many times while the object changes: a reference
        pointed to an object of another type, a walk over objects, a member
        that grows past 64 bits."""
        kind = self.pick(["bigtype", "bigtype", "smalltype"])
        ta, tb = self.sn("Ka"), self.sn("Kb")
        result = self.pick(["int", "any"])
        self.emit(f"{kind} {ta} {{ int x({self.literal()}); func m(int d)(int r) {{ r = x * d + 1 }} }}")
        self.emit(f"{kind} {tb} {{ int x({self.literal()}); func m(int d)({result} r) {{ "
                  f"{self.result_body('d', result)} }} }}")
        oa, ob, oa2 = self.sn("oa"), self.sn("ob"), self.sn("oc")
        self.emit(f"{ta} {oa}")
        self.emit(f"{tb} {ob}")
        self.emit(f"{ta} {oa2}")
        self.emit(f"{oa2}.x = {self.literal(edge=0.3)}")
        decls, target, target_changes = self.int_target(result == "any")
        for d in decls:
            self.emit(d)
        receiver = self.rng.random()
        count = self.rng.randint(6, 40)
        arg = self.pick(["IX", "IX + 1", "IX % 5"])
        right = f"RECV.m({arg})"
        if self.chance(0.2):
            right = f"{right} {self.pick(['+', '-', '*'])} {self.pick(['1', '2'])}"
        show = [f"outl(IX, \" \", {target})"] if count <= 15 or self.chance(0.3) else []
        grows = [f"{oa}.x *= 4611686018427387904", f"{oa}.x = -3", f"{oa} = {oa2}", f"{oa}.x += 1"]
        if receiver < 0.4:
            ko = self.sn("ko")
            self.emit(f"any {ko}")
            self.emit(f"{ko} @ {oa}")
            options = [f"{ko} @ {ob}", f"{ko} @ {oa}", f"{ko} @ {oa2}", f"{ko} = {oa}"] + grows + target_changes
            body = self.changes("IX", options, count) + [f"{target} = {right.replace('RECV', ko)}"] + show
            self.scene_loop(count, body, [f"outl({target}, \" \", {oa})"], options)
        elif receiver < 0.7:
            kl, ko = self.sn("kl"), self.sn("kw")
            members = [self.pick([oa, ob, oa2]) for _ in range(self.rng.randint(2, 4))]
            self.emit(f"list {kl}({', '.join(members)})")
            inner = self.sn("ix")
            self.emit(f"int {inner}")
            self.emit(f"{kl}.for({ko}, {{")
            self.emit(f"  for ({{{inner} = 0}}, {{{inner} < {min(count, 12)}}}, {{{inner} += 1}}) {{")
            self.emit(f"    {target} = {right.replace('RECV', ko).replace('IX', inner)}")
            if self.chance(0.5):
                self.emit(f"    outl({inner}, \" \", {target})")
            self.emit(f"    catch({self.n('e')}, {{outl(\"k \", {inner}, \" \", {self.n('e')})}})")
            self.emit("  }")
            if self.chance(0.5):
                self.emit(f"  {oa}.x += 2")
            self.emit("})")
            self.emit(f"outl({target})")
        else:
            options = grows + target_changes
            body = self.changes("IX", options, count) + [f"{target} = {right.replace('RECV', oa)}"] + show
            self.scene_loop(count, body, [f"outl({target}, \" \", {oa})"], options)

    def conversion_scene(self):
        """t = str:(a, b) run many times while its arguments change type
        and length, and its target may stop holding a text."""
        t, sa, ib, az = self.sn("kt"), self.sn("kA"), self.sn("kB"), self.sn("kC")
        count = self.rng.randint(6, 40)
        if self.chance(0.25):
            self.member_conversion_scene(count)
            return
        target_kind = self.pick(["str", "str", "any"])
        self.emit(f"{target_kind} {t} = {self.word()}")
        self.emit(f"str {sa} = {self.pick(WORDS_SHORT + WORDS_LONG)}")
        self.emit(f"int {ib} = {self.literal(edge=0.3)}")
        self.emit(f"any {az} = {self.pick(SCALARS)}")
        pool = [sa, sa, ib, az, "IX", self.n("ch"), '" "', self.word(), self.n("tv")]
        # Now and then more arguments than the road holds.
        count_of_args = self.rng.randint(1, 4) if self.chance(0.85) else self.rng.randint(5, 12)
        args = [self.pick(pool) for _ in range(count_of_args)]
        grows = False
        if self.chance(0.25):
            args.insert(self.rng.randrange(len(args) + 1), t)
            grows = True
        options = [f"{az} = {self.pick(SCALARS)}", f"{az} = {self.pick(SCALARS)}",
                   f"{sa} = {self.pick(WORDS_SHORT + WORDS_LONG)}", f"{ib} = {self.pick(EDGES_TEXT)}",
                   f"del({self.pick([sa, ib, az])})", f"clear({self.pick([sa, ib, az])})", f"{ib} = IX"]
        if target_kind == "any":
            options += [f"{t} = IX", f"{t} = 2.5"]
        options += FORMATS
        statement = f"{t} = str:({', '.join(args)})"
        body = self.changes("IX", options, count, statement) + [statement]
        if grows:
            body.append(f"if ({t}.size() > 300) {{ {t} = \"\" }}")
        body.append(f"outl(IX, \" \", {t})")
        self.scene_loop(count, body, RESETS + [f"outl({t})"], options)

    def member_conversion_scene(self, count):
        """t = str:(...) of an object's members, in its methods, on two
        objects in turn and on one given read-only; a member of type any
        changes type between the runs."""
        tm, om, om2 = self.sn("Km"), self.sn("om"), self.sn("on")
        args = ", ".join(self.pick(["x", "y", "nm", "d", '"-"', "x", "y"]) for _ in range(self.rng.randint(1, 4)))
        self.emit(f"{self.pick(['bigtype', 'smalltype'])} {tm} {{ int x; str nm; any y(\"y\")")
        self.emit(self.pick([f"  proc mk(int d) {{ nm = str:({args}) }}",
                             f"  proc mk(int d) {{ str t = \"q\"; t = str:({args}); nm = t }}"]))
        self.emit(f"  func show(int d)(str s) {{ s = str:({args}) }}")
        self.emit("}")
        self.emit(f"{tm} {om}, {om2}")
        shown = self.sn("rs")
        self.emit(f"func {shown}({tm} o; int d)(str s) {{ s = o.show(d) }}")
        obj = self.pick([om, om2])
        options = [f"{obj}.x = {self.pick(['9223372036854775807', '18446744073709551616', '-1', 'IX'])}",
                   f"{obj}.y = {self.pick(SCALARS)}", f"{obj}.y = {self.pick(SCALARS)}", f"{obj}.nm = \"\"",
                   f"{om2}.y = IX"] + FORMATS
        call = self.pick([f"{om}.mk(IX)", f"if (IX % 2 == 0) {{ {om}.mk(IX) }} {{ {om2}.mk(IX) }}"])
        body = self.changes("IX", options, count) + [call]
        if "nm" in args:
            body.append(f"if ({om}.nm.size() > 300) {{ {om}.nm = \"\" }}")
            body.append(f"if ({om2}.nm.size() > 300) {{ {om2}.nm = \"\" }}")
        body.append(f"outl(IX, \" \", {om}.nm, \"|\", {om2}.nm, \"|\", {self.pick([om, om2])}.show(IX), \"|\", "
                    f"{shown}({self.pick([om, om2])}, IX))")
        self.scene_loop(count, body, RESETS + [f"outl({om}, \" \", {om2})"], options)

    def text_copy_scene(self):
        """t = other run many times while either side changes type."""
        t, o, v = self.sn("kt"), self.sn("ko"), self.sn("kv")
        self.emit(f"{self.pick(['str', 'str', 'any'])} {t} = {self.word()}")
        self.emit(f"str {o} = {self.pick(WORDS_SHORT + WORDS_LONG)}")
        self.emit(f"any {v} = {self.word()}")
        statement = self.pick([f"{t} = {o}", f"{t} = {o}", f"{t} = {v}", f"{v} = {o}", f"{t} = {t}",
                               f"{v} = {t}"])
        count = self.rng.randint(6, 40)
        options = [f"{o} += \"a\"", f"{o} = \"\"", f"{o} = {self.pick(WORDS_LONG)}", f"{v} = IX",
                   f"{v} = \"q\"", f"{v} = 'c'", f"{v} = {o}", f"{t} = IX", f"del({o})", f"clear({o})",
                   f"del({v})", f"{o} = \"b\""]
        body = self.changes("IX", options, count, statement) + [statement, f"outl(IX, \" \", {t}, \"|\", {v})"]
        self.scene_loop(count, body, [f"outl({t}, \"|\", {o})"], options)

    def int_copy_scene(self):
        """n = big run many times while big grows past 64 bits, changes sign
        or stops holding an int."""
        n, big, a, c = self.sn("kn"), self.sn("kb"), self.sn("ka"), self.sn("kc")
        self.emit(f"{self.pick(['int', 'int', 'any'])} {n} = 0")
        # Past 64 bits mostly: the copy's own road takes only those.
        self.emit(f"int {big} = {self.pick(LONG) if self.chance(0.6) else self.literal(edge=0.5)}")
        self.emit(f"any {a} = {self.pick(LONG) if self.chance(0.4) else self.literal(edge=0.3)}")
        self.emit(f"any {c} = {self.pick(LONG) if self.chance(0.4) else self.literal(edge=0.3)}")
        statement = self.pick([f"{n} = {big}", f"{n} = {big}", f"{n} = {a}", f"{a} = {big}", f"{n} = {n}",
                               f"{a} = {c}"])
        count = self.rng.randint(6, 50)
        options = [f"{big} *= 3037000500", f"{big} *= -4294967296", f"{big} = 0", f"{big} /= 4294967296",
                   f"{a} = \"t\"", f"{a} = {big}", f"{a} = 2.5", f"{a} = IX", f"{n} = \"t\"",
                   f"del({big})", f"clear({big})", f"del({a})", f"{c} = {big} * {big}", f"{c} = \"t\"",
                   f"{big} = IX", f"{big} = {self.pick(LONG)}", f"{a} = {self.pick(LONG)}"]
        # The number is cut back before it grows long: after the statement,
        # which an undefined number must reach.
        body = self.changes("IX", options, count, statement) + [statement, f"outl(IX, \" \", {n}, \" \", {a})",
                                                      f"if ({big} > 10 ^ 60 || {big} < -(10 ^ 60)) {{ {big} = 7 }}"]
        self.scene_loop(count, body, [f"outl({n}, \" \", {big})"], options)

    def append_scene(self):
        """line += str:(...) run many times: the target shorter or longer
        than the texts appended, now and then given as an argument."""
        line, other, x, i, z = self.sn("ln"), self.sn("lo"), self.sn("lx"), self.sn("li"), self.sn("lz")
        start = self.pick(WORDS_SHORT + WORDS_LONG)
        self.emit(f"{self.pick(['str', 'str', 'str', 'any'])} {line} = {start}")
        self.emit(f"str {other} = {self.pick(WORDS_SHORT)}")
        self.emit(f"str {x} = {self.pick(WORDS_SHORT + WORDS_LONG)}")
        self.emit(f"int {i} = {self.literal(edge=0.2)}")
        self.emit(f"any {z} = {self.pick(SCALARS)}")
        pool = [x, x, i, "IX", '" "', self.word(), self.n("ch"), z, other, "'-'"]
        targets = [line, line, line, other]
        link = None
        if self.chance(0.3):
            # Another name for the target: a reference or an alias to it,
            # as an argument or as the target.
            link = self.sn("lr")
            self.emit(f"{self.pick(['any', 'str'])} {link}")
            self.emit(f"{link} {self.pick(['@', '$'])} {line}")
            pool.append(link)
            targets.append(link)
        forms = [[x], ['" "', x, "IX"], [line, x], [x, line], [line]]
        statements = []
        for _ in range(self.rng.randint(1, 3)):
            r = self.rng.random()
            if r < 0.55:
                args = self.pick(forms)
            elif r < 0.9:
                args = [self.pick(pool + [line]) for _ in range(self.rng.randint(1, 4))]
            else:
                args = [self.pick(pool + [line]) for _ in range(self.rng.randint(5, 12))]
            statements.append(f"{self.pick(targets)} += str:({', '.join(args)})")
        count = self.rng.randint(3, 30)
        options = [f"{x} = {self.pick(WORDS_SHORT + WORDS_LONG)}", f"{line} = {self.pick(WORDS_SHORT)}",
                   f"{line} = {self.pick(WORDS_LONG)}", f"{z} = {self.pick(SCALARS)}", f"{i} = {self.pick(EDGES_TEXT)}",
                   f"{other} = \"\"", f"del({self.pick([x, z, i])})", f"clear({self.pick([x, line])})"] + FORMATS
        # The texts are cut back before they grow long.
        body = [f"if ({line}.size() > 200) {{ {line} = {self.pick(WORDS_SHORT)} }}",
                f"if ({other}.size() > 200) {{ {other} = {self.pick(WORDS_SHORT)} }}"]
        body += self.changes("IX", options, count, " ".join(statements)) if self.chance(0.7) else []
        body += statements
        body.append(f"outl(IX, \" \", {line}, \"|\", {other})" if count <= 12 or self.chance(0.4)
                    else f"outl(IX, \" \", {line}.size(), \" \", {other}.size())")
        self.scene_loop(count, body, RESETS + [f"outl({line}, \"|\", {other})"], options)

