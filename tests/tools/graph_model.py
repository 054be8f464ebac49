#!/usr/bin/env python3
"""An independent model of graph values, used while writing the graph script
tests: it builds a few random graphs, applies the same edits that the tests
apply, and prints the Morvu statements together with the output expected of
them, which are then copied into tests/scripts/types/graph_*.mrv as literals.

The model keeps nodes as a Python list, the edge list as a Python list and
each node's incidence chain as a list of (edge, is_out) pairs, newest first.
An edge carries its own parallel index; the edges of one (source, target)
pair hold the indexes 0 to k - 1.

    python3 tests/tools/graph_model.py query   # sections of graph_query.mrv
    python3 tests/tools/graph_model.py edit    # sections of graph_edit.mrv
    python3 tests/tools/graph_model.py sort    # sections of graph_sort.mrv
"""
import random
import sys


class Edge:
    def __init__(self, source, target, value):
        self.source = source
        self.target = target
        self.value = value
        self.parallel = 0


class Node:
    def __init__(self, value):
        self.value = value
        self.chain = []  # (edge, is_out), newest first


class Graph:
    def __init__(self, values=()):
        self.nodes = [Node(v) for v in values]
        self.edges = []

    # ---- addresses ----
    def index(self, node):
        return self.nodes.index(node)

    def address(self, edge):
        n = len(self.nodes)
        return (edge.parallel * n + self.index(edge.source), self.index(edge.target))

    def pair(self, source, target):
        return [e for e in self.edges if e.source is source and e.target is target]

    def find(self, id_, target):
        n = len(self.nodes)
        if n == 0 or id_ < 0 or not 0 <= target < n:
            return None
        s, k = id_ % n, id_ // n
        for e in self.pair(self.nodes[s], self.nodes[target]):
            if e.parallel == k:
                return e
        return None

    # ---- edits ----
    def insert_node(self, position, value):
        self.nodes.insert(position, Node(value))

    def add_edge(self, id_, target, value):
        n = len(self.nodes)
        s, k = self.nodes[id_ % n], id_ // n
        existing = self.pair(s, self.nodes[target])
        if k > len(existing):
            raise ValueError("parallel index %d too large" % k)
        for e in existing:
            if e.parallel >= k:
                e.parallel += 1
        edge = Edge(s, self.nodes[target], value)
        edge.parallel = k
        self.edges.append(edge)
        # A loop enters its own chain twice, the incoming entry in front.
        s.chain.insert(0, (edge, True))
        self.nodes[target].chain.insert(0, (edge, False))
        return edge

    def delete_edge(self, edge):
        for e in self.pair(edge.source, edge.target):
            if e.parallel > edge.parallel:
                e.parallel -= 1
        self.edges.remove(edge)
        edge.source.chain = [c for c in edge.source.chain if c[0] is not edge]
        edge.target.chain = [c for c in edge.target.chain if c[0] is not edge]

    def delete_node(self, i):
        node = self.nodes[i]
        for e in list(self.edges):
            if e.source is node or e.target is node:
                self.delete_edge(e)
        del self.nodes[i]

    def move(self, edge, id_, target):
        n = len(self.nodes)
        s, t, k = self.nodes[id_ % n], self.nodes[target], id_ // n
        others = [e for e in self.pair(s, t) if e is not edge]
        if k > len(others):
            raise ValueError("parallel index")
        for e in self.pair(edge.source, edge.target):
            if e is not edge and e.parallel > edge.parallel:
                e.parallel -= 1
        if s is not edge.source:
            edge.source.chain = [c for c in edge.source.chain if not (c[0] is edge and c[1])]
            s.chain.insert(0, (edge, True))
            edge.source = s
        if t is not edge.target:
            edge.target.chain = [c for c in edge.target.chain if not (c[0] is edge and not c[1])]
            t.chain.insert(0, (edge, False))
            edge.target = t
        for e in others:
            if e.parallel >= k:
                e.parallel += 1
        edge.parallel = k

    # ---- order ----
    def flip_nodes(self):
        self.nodes.reverse()

    def flip_edges(self):
        self.edges.reverse()

    def sort_nodes(self, key, descending=False):
        self.nodes.sort(key=lambda n: key(n.value), reverse=descending)

    def sort_edges(self, key, descending=False):
        self.edges.sort(key=lambda e: key(e.value), reverse=descending)

    def sort_chain(self, i, direction, key, descending=False):
        chain = self.nodes[i].chain
        places = [k for k, (e, out) in enumerate(chain) if self.takes(direction, out)]
        taken = sorted((chain[k] for k in places), key=lambda c: key(c[0].value), reverse=descending)
        for k, entry in zip(places, taken):
            chain[k] = entry

    # ---- queries ----
    @staticmethod
    def takes(direction, is_out):
        return direction == '*' or (direction == '+') == is_out

    def degree(self, i, direction):
        return sum(1 for e, out in self.nodes[i].chain if self.takes(direction, out))

    def between(self, a, b, direction):
        node, other = self.nodes[a], self.nodes[b]
        return sum(1 for e, out in node.chain
                   if self.takes(direction, out) and (e.target if out else e.source) is other)

    def subgraph(self, node_list, edge_list):
        listed = {self.nodes[i] for i in node_list}
        chosen_edges = [e for e in self.edges if e.source in listed and e.target in listed]
        chosen_nodes = set(listed)
        for id_, t in edge_list:
            e = self.find(id_, t)
            chosen_nodes |= {e.source, e.target}
            if e not in chosen_edges:
                chosen_edges.append(e)
        result = Graph([n.value for n in self.nodes if n in chosen_nodes])
        new = {n: result.nodes[k] for k, n in enumerate(n for n in self.nodes if n in chosen_nodes)}
        # Parallel edges keep their order within their pair.
        rank = {}
        for e in sorted(chosen_edges, key=lambda e: (self.index(e.source), self.index(e.target), e.parallel)):
            key = (e.source, e.target)
            rank[e] = rank.get(key, 0)
            rank[key] = rank[e] + 1
        for e in self.edges:
            if e in chosen_edges:
                twin = Edge(new[e.source], new[e.target], e.value)
                twin.parallel = rank[e]
                result.edges.append(twin)
                twin.source.chain.insert(0, (twin, True))
                twin.target.chain.insert(0, (twin, False))
        return result

    def text(self):
        nodes = ",".join(str(n.value) for n in self.nodes)
        edges = ",".join("<%d->%d,%s>" % (self.address(e) + (e.value,)) for e in self.edges)
        return "<(%s),{%s}>" % (nodes, edges)

    def chain_addresses(self, i, direction='*'):
        return ["%d->%d" % self.address(e) for e, out in self.nodes[i].chain if self.takes(direction, out)]


def literal(value):
    return '"%s"' % value if isinstance(value, str) else str(value)


def random_graph(rng, node_count, edge_count, name):
    """A graph and the ins statement that builds it from its nodes."""
    g = Graph(["%s%d" % (name, i) for i in range(node_count)])
    pairs = []
    for k in range(edge_count):
        s = rng.randrange(node_count)
        t = s if rng.random() < 0.15 else rng.randrange(node_count)
        existing = len(g.pair(g.nodes[s], g.nodes[t]))
        parallel = rng.randrange(existing + 1)
        id_ = parallel * node_count + s
        value = 10 * k + rng.randrange(10)
        g.add_edge(id_, t, value)
        pairs.append("any2:(%d, %d), %d" % (id_, t, value))
    build = "%s.ins(%s)" % (name, ", ".join(pairs))
    return g, build


def query_sections():
    rng = random.Random(23)
    for name, n, m in (("p", 5, 12), ("q", 6, 16), ("r", 4, 10)):
        g, build = random_graph(rng, n, m, name)
        print("graph %s(%s)" % (name, ", ".join(literal(x.value) for x in g.nodes)))
        print(build)
        print("outl(%s)  # expect: %s" % (name, g.text()))
        degrees = " ".join("%d/%d/%d" % (g.degree(i, '*'), g.degree(i, '+'), g.degree(i, '-')) for i in range(n))
        print("# degrees: %s" % degrees)
        between = " ".join("%d/%d/%d" % (g.between(a, b, '*'), g.between(a, b, '+'), g.between(a, b, '-'))
                           for a in range(n) for b in range(n))
        print("# between: %s" % between)
        nodes = sorted(rng.sample(range(n), 2))
        edge = g.address(rng.choice(g.edges))
        sub = g.subgraph(nodes, [edge])
        print("# graph(%d, %d, any2:(%d, %d)): %s" % (nodes[0], nodes[1], edge[0], edge[1], sub.text()))
        node = rng.randrange(n)
        for d in "*+-":
            print("# chain %d %s: %s" % (node, d, ",".join(g.chain_addresses(node, d))))


def edit_sections():
    rng = random.Random(109)
    g, build = random_graph(rng, 5, 10, "w")
    print(build)
    print("# built: %s" % g.text())
    # ins: a node in front of node 2, an edge between old nodes 1 and 3, a
    # node at the end.
    g.insert_node(2, "N")
    id_ = 0 * 6 + 1
    g.add_edge(id_, 4, 900)
    g.insert_node(len(g.nodes), "M")
    print('w.ins(2, "N", any2:(1, 3), 900, 5, "M")')
    print("# after ins: %s" % g.text())
    victims = [0, 3]
    for k in sorted(victims, reverse=True):
        g.delete_node(k)
    print("w.del(0, 3)")
    print("# after del: %s" % g.text())
    e = g.edges[0]
    a = g.address(e)
    g.delete_edge(e)
    print("w.del(any2:(%d, %d))" % a)
    print("# after del edge: %s" % g.text())
    e = g.edges[-1]
    a = g.address(e)
    g.move(e, 0 * len(g.nodes) + 2, 2)
    print("w.move(any2:(%d, %d), any2:(2, 2))" % a)
    print("# after move: %s" % g.text())
    print("# chain 2: %s" % ",".join(g.chain_addresses(2)))
    for _ in range(3):
        print("w.ins(%s)" % mixed_ins(g, rng, 7))
        print("# after: %s" % g.text())


def mixed_ins(g, rng, count):
    """One ins call of random node positions and edge addresses, all naming
    the graph before the call; returns the argument text. A position names
    the gap before an old node (or the end), an address old nodes, so the
    model resolves them to node objects first and then inserts in order."""
    n = len(g.nodes)
    pairs, plan = [], []
    for k in range(count):
        value = 500 + k
        if rng.random() < 0.4:
            p = rng.randrange(n + 1)
            pairs.append("%d, %d" % (p, value))
            plan.append(("node", g.nodes[p] if p < n else None, value))
        else:
            s, t = rng.randrange(n), rng.randrange(n)
            k_par = rng.randrange(len(g.pair(g.nodes[s], g.nodes[t])) + 1)
            pairs.append("any2:(%d, %d), %d" % (k_par * n + s, t, value))
            plan.append(("edge", (g.nodes[s], g.nodes[t], k_par), value))
    for kind, where, value in plan:
        if kind == "node":
            g.insert_node(g.index(where) if where is not None else len(g.nodes), value)
        else:
            source, target, k_par = where
            g.add_edge(k_par * len(g.nodes) + g.index(source), g.index(target), value)
    return ", ".join(pairs)


def sort_sections():
    rng = random.Random(8109)
    g, build = random_graph(rng, 5, 11, "s")
    # Node values that do not follow the node order, all distinct.
    values = rng.sample(range(10, 99), 5)
    for node, value in zip(g.nodes, values):
        node.value = value
    print("graph s(%s)" % ", ".join(str(v) for v in values))
    print(build)
    print("# built: %s" % g.text())
    g.sort_nodes(lambda v: v)
    print("# sort(true): %s" % g.text())
    g.sort_edges(lambda v: v % 7 * 100 + v, descending=True)
    print("# Sort(v, {v %% 7 * 100 + v}) over edges: %s" % g.text())
    node = max(range(5), key=lambda i: g.degree(i, '*'))
    print("# chain %d before: %s" % (node, ",".join(g.chain_addresses(node))))
    g.sort_chain(node, '+', lambda v: v)
    print("# chain %d after sort(%d, '+'): %s" % (node, node, ",".join(g.chain_addresses(node))))
    g.sort_chain(node, '*', lambda v: -v)
    print("# chain %d after sort by -v: %s" % (node, ",".join(g.chain_addresses(node))))
    g.flip_nodes()
    print("# flip(true): %s" % g.text())


if __name__ == "__main__":
    sections = {"edit": edit_sections, "sort": sort_sections}
    sections.get(sys.argv[1] if len(sys.argv) > 1 else "", query_sections)()
