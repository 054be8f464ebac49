// The graph methods with a loop variable and code (find and its variants,
// sort and Sort with code), shared by the two graph handlers.
//
// Their arguments: the loop variable, then for the edge forms a variable
// that receives each edge's address, then optionally a node whose incidence
// chain is walked and a direction that picks its entries, and last the code.
// While the code runs the graph is pinned (values/walk_pins.h): its structure
// cannot change and its payload outlives the value it belongs to, so the
// walk may hold nodes and edges across the code.

#pragma once

#include <memory>
#include <vector>

#include "types/method_call.h"
#include "values/graph_store.h"

namespace morvu {

struct GRAPH_LOOP {
    int32_t count = 0;  // 2: nodes, 3: the edge list, 4 and 5: one node's chain
    int node = -1;
    char direction = '*';

    bool over_nodes() const { return count == 2; }
    bool over_edges() const { return count == 3; }
};

// The argument checks in their order: 2 to 5 arguments; every argument but
// the loop variable defined (the loop variable is where the method writes);
// the first a variable; the second a variable of type any2; the third an
// int naming a node (never from the end); the fourth a direction; the last
// code.
GRAPH_LOOP check_graph_loop_args(const METHOD_CALL& call, const GRAPH_DATA& graph);

// Calls visit(value cell, edge or null, node index or -1) for each item of
// the loop in walk order (backwards from the end with backwards); a chain
// walk passes over the entries the direction does not take. Stops when visit
// answers false.
template <typename VISIT>
void walk_loop_items(GRAPH_DATA& graph, const GRAPH_LOOP& loop, bool backwards, VISIT visit) {
    if (loop.over_nodes()) {
        const int n = graph.node_count;
        for (int k = 0; k < n; ++k) {
            const int i = backwards ? n - 1 - k : k;
            if (!visit(&graph.nodes[static_cast<size_t>(i)]->value, nullptr, i)) return;
        }
        return;
    }
    if (loop.over_edges()) {
        for (GRAPH_EDGE* edge = backwards ? graph.last_edge : graph.first_edge; edge != nullptr;
             edge = backwards ? edge->prev : edge->next)
            if (!visit(&edge->value, edge, -1)) return;
        return;
    }
    // The chain is linked one way: its entries are read first.
    std::vector<GRAPH_EDGE*> taken;
    for (INCIDENCE_ENTRY entry = first_entry(graph.nodes[static_cast<size_t>(loop.node)]); entry.edge != nullptr;
         entry = next_entry(entry))
        if (direction_selects(loop.direction, entry.is_out)) taken.push_back(entry.edge);
    const size_t n = taken.size();
    for (size_t k = 0; k < n; ++k) {
        GRAPH_EDGE* edge = taken[backwards ? n - 1 - k : k];
        if (!visit(&edge->value, edge, -1)) return;
    }
}

// The number of items a loop visits.
int loop_item_count(const GRAPH_DATA& graph, const GRAPH_LOOP& loop);

// Writes the edge's address into the address variable (second argument):
// both halves emptied, then the id and the target as new ints.
void bind_edge_address(const METHOD_CALL& call, const GRAPH_DATA& graph, const GRAPH_EDGE* edge);

// A new any2 of two ints, the edge's address, as an owned result.
RESULT_ITEM edge_address_value(const GRAPH_DATA& graph, const GRAPH_EDGE* edge);

// The loop variable and the code of a graph loop seen as the two arguments
// of the common protocol (types/code_args.h): binding, evaluation and the
// code's messages are those of every other find and sort. The code is
// looked up anew for every item, since it may replace its own variable.
class LOOP_CODE {
public:
    LOOP_CODE(const METHOD_CALL& call, int32_t count);
    LOOP_CODE(const LOOP_CODE&) = delete;
    LOOP_CODE& operator=(const LOOP_CODE&) = delete;

    bool matches(UNION_DATA* element) const;
    std::unique_ptr<UNION_DATA> sort_key(UNION_DATA* element) const;

private:
    TOKEN* block() const;
    // Binds the loop variable and evaluates the code; no value raises.
    void evaluate(UNION_DATA* element, RESULT_LIST& values) const;

    CALL_ARGS pair;
    METHOD_CALL view;
};

}  // namespace morvu
