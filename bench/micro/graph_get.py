# graph node value by position, `g.get(i)`: twin of graph_get.mrv, with the
# graph as a list of node values and a list of edges.
class Graph:
    def __init__(self):
        self.nodes = []
        self.edges = []


def run():
    g = Graph()
    for k in range(1000):
        g.nodes.append(k * 3)
    for k in range(1000):
        g.edges.append((k, (k + 1) % 1000, 1))
    x = 0
    for r in range(1000):
        for i in range(1000):
            x = g.nodes[i]
    print(x, len(g.edges))


run()
