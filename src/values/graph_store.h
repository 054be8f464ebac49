// The payload of a graph value: a directed multigraph whose nodes and edges
// each carry one value cell.
//
// Nodes are numbered by position: slot i of `nodes` holds the node whose
// `index` is i, for i below node_count; the slots up to `capacity` are null.
// The slot array grows by 64 and never shrinks. Edges live in one graph-wide
// list (in the order of creation unless reordered) and at the same time in
// the incidence chain of each of their two end nodes: a singly linked chain
// of entries (edge, is_out), starting at the node's (first_incident,
// first_is_out); from an outgoing entry the chain goes on through the edge's
// next_at_source pair, from an incoming one through its next_at_target pair.
// A loop stands in its node's chain twice, once each way. New edges enter
// both chains at the front.
//
// An edge has no number of its own. It is named by its address (edge id,
// target index) with edge id = parallel_index x node_count + source index;
// the edges from one source to one target carry the parallel indexes 0 to
// k - 1 without gaps. Since node_count enters the id, adding or deleting a
// node changes the ids of edges with a parallel index above 0: callers always
// compute ids from the current node_count and positions.
//
// Node and edge cells belong to the graph; they are made with copy_into_slot
// and destroyed with their record. An edge record begins with its value cell,
// so edge_of_value turns the cell that edge_value hands out back into the edge.
//
// The store raises nothing. Look-ups and edits that fail return a message
// kept by keep_message (runtime/message_scratch.h; the caller raises it at
// once), or null. Callers validate node indexes and edge
// addresses; an invalid one makes an edit do nothing.
//
// `iterations` counts the for/For walks over the graph in progress; while it
// is above zero the graph methods that change the structure refuse (they ask
// check_not_iterating), since a loop body could otherwise free the node or
// edge being walked. The store's own operations never read it.

#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "values/union_data.h"

namespace morvu {

struct GRAPH_EDGE;

// A node or edge whose value an operation holds (values/cell_holds.h) is
// kept whole past its delete, unlinked from the graph, until the hold ends.
struct GRAPH_NODE {
    int index = 0;  // always equal to the node's slot
    UNION_DATA value{'v'};
    GRAPH_EDGE* first_incident = nullptr;  // first entry of the incidence chain
    uint8_t first_is_out = 1;              // the node is the source of first_incident
    uint8_t mark = 0;                      // deletion mark

    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;  // a construction that failed
    static void operator delete(GRAPH_NODE* node, std::destroying_delete_t);
};

struct GRAPH_EDGE {
    UNION_DATA value{'v'};  // first field: its address is the edge's
    GRAPH_NODE* source = nullptr;
    GRAPH_NODE* target = nullptr;
    int parallel_index = 0;      // rank among the edges from source to target
    GRAPH_EDGE* prev = nullptr;  // graph-wide list
    GRAPH_EDGE* next = nullptr;
    GRAPH_EDGE* next_at_source = nullptr;  // after this edge in the source's chain
    GRAPH_EDGE* next_at_target = nullptr;  // after this edge in the target's chain
    uint8_t next_at_source_is_out = 1;
    uint8_t next_at_target_is_out = 1;
    uint8_t mark = 0;  // deletion mark

    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;  // a construction that failed
    static void operator delete(GRAPH_EDGE* edge, std::destroying_delete_t);
};

static_assert(std::is_standard_layout_v<GRAPH_EDGE>, "an edge must begin with its value cell");

inline GRAPH_EDGE* edge_of_value(UNION_DATA* value) { return reinterpret_cast<GRAPH_EDGE*>(value); }

// One entry of an incidence chain; a null edge ends the chain.
struct INCIDENCE_ENTRY {
    GRAPH_EDGE* edge = nullptr;
    uint8_t is_out = 1;
};

inline INCIDENCE_ENTRY first_entry(const GRAPH_NODE* node) { return {node->first_incident, node->first_is_out}; }

inline INCIDENCE_ENTRY next_entry(INCIDENCE_ENTRY entry) {
    return entry.is_out ? INCIDENCE_ENTRY{entry.edge->next_at_source, entry.edge->next_at_source_is_out}
                        : INCIDENCE_ENTRY{entry.edge->next_at_target, entry.edge->next_at_target_is_out};
}

// Whether a direction ('*' all, '-' incoming, '+' outgoing) takes the entry.
inline bool direction_selects(char direction, uint8_t is_out) {
    return direction == '*' || (direction == '-' && !is_out) || (direction == '+' && is_out);
}

// The end node whose chain is the shorter way to the edges from source to
// target: both chains are stepped in turn until one ends, so the cost is
// that of the shorter one and a node with very many edges is not walked
// for each edge to a node with few. A loop's node serves both ends.
inline GRAPH_NODE* pair_chain_node(GRAPH_NODE* source, GRAPH_NODE* target) {
    INCIDENCE_ENTRY a = first_entry(source);
    INCIDENCE_ENTRY b = first_entry(target);
    while (a.edge != nullptr && b.edge != nullptr) {
        a = next_entry(a);
        b = next_entry(b);
    }
    return a.edge == nullptr ? source : target;
}

// Calls visit(edge) for every edge from source to target, read along the
// chain of via (source or target; pair_chain_node picks the shorter).
template <typename VISIT>
void for_each_pair_edge(GRAPH_NODE* source, GRAPH_NODE* target, GRAPH_NODE* via, VISIT&& visit) {
    const bool out = via == source;
    for (INCIDENCE_ENTRY entry = first_entry(via); entry.edge != nullptr; entry = next_entry(entry)) {
        if (entry.is_out != out) continue;
        GRAPH_EDGE* edge = entry.edge;
        if (out ? edge->target == target : edge->source == source) visit(edge);
    }
}

class GRAPH_DATA {
public:
    int capacity = 0;
    int node_count = 0;
    std::vector<GRAPH_NODE*> nodes;  // capacity slots; owned records
    GRAPH_EDGE* first_edge = nullptr;
    GRAPH_EDGE* last_edge = nullptr;
    int edge_count = 0;
    int iterations = 0;

    GRAPH_DATA() = default;
    ~GRAPH_DATA();
    GRAPH_DATA(const GRAPH_DATA&) = delete;  // copies go through assign, which reports
    GRAPH_DATA& operator=(const GRAPH_DATA&) = delete;

    // ---- reading ----

    // Node i's cell, or null and "Node '%d' does not exist". The trusted flag
    // says the caller has checked i; an index outside the graph is refused
    // all the same, since its slot holds no node.
    UNION_DATA* node_value(int i, bool trusted, const char*& message);
    UNION_DATA* first_node_value();  // the graph must have a node
    UNION_DATA* last_node_value();

    // The edge at (id, target), or null.
    GRAPH_EDGE* find_edge(int id, int target) const;
    // The edge's cell, or null and "Edge '%d->%d' does not exist".
    UNION_DATA* edge_value(int id, int target, const char*& message);
    UNION_DATA* edge_value_at(int id, int target, const char*& message);

    // Entries of the node's chain that the direction selects (a loop counts
    // twice for '*'); 0 for another direction character.
    int degree(int node, char direction) const;
    // Edges between i and j counted over i's chain: '+' i->j, '-' j->i, '*'
    // both (a loop at i counts twice when j = i).
    int count_edges_between(int i, int j, char direction) const;

    // Same node values in position order, and every edge found at the same
    // address in the other graph with an equal value.
    bool equals(const GRAPH_DATA& other) const;

    // Null at rest; "infeasible during iteration" while a walk is running.
    const char* check_not_iterating() const;

    // ---- values in place ----

    // Assigns into the node's (edge's) cell by the mode. Returns the message
    // of a missing node (edge) or of the assignment rule that refused.
    const char* set_node_value(int i, UNION_DATA* source, int mode);
    const char* set_edge_value(int id, int target, UNION_DATA* source, int mode);

    // ---- whole graph ----

    // A slot array of new_capacity (not below node_count) slots.
    void grow_nodes(int new_capacity);
    // Destroys every node, then every edge; capacity and the slots stay.
    void clear();
    // Makes this graph a copy of source: node and edge values copied with
    // mode 4 (a reference stays a reference), every edge with its parallel
    // index, the edge list in the source's order, so that the copy equals the
    // source. Assigning a graph to itself changes nothing. Returns the first
    // failed value copy (that value stays an empty any cell), else null.
    const char* assign(const GRAPH_DATA& source);
    void clear_marks();

    // ---- structure (graph_edit.cpp) ----

    // A new node made from source by the mode, at the end, at the front, or
    // at position p (0 <= p <= node_count). When its value cannot be made the
    // message is returned and nothing is added.
    const char* append_node(UNION_DATA* source, int mode);
    const char* prepend_node(UNION_DATA* source, int mode);
    const char* insert_node(int p, UNION_DATA* source, int mode);

    // Deletes node i with every incident edge and moves the later nodes down;
    // an index out of range does nothing.
    void delete_node(int i);
    void delete_first_node();
    void delete_last_node();

    // Adds an edge at (id, target) made from source by the mode. Returns the
    // parallel-index message (or a failed value copy) and then changes
    // nothing. Needs a node, id >= 0 and a target below node_count.
    const char* add_edge(int id, int target, UNION_DATA* source, int mode);

    // The parallel-index rule for an edge whose source and target are set
    // and which is not yet in its pair: its parallel index becomes
    // id div node_count, which may be 0 to one past the largest of the pair
    // (those at and above it move up); otherwise the message.
    const char* check_parallel_index(GRAPH_EDGE* edge, int id);

    // Unlinks the edge from both chains (not from skipped's, whose edges are
    // all going), closes the gap in its pair, and frees it.
    void delete_edge(GRAPH_EDGE* edge, GRAPH_NODE* skipped);
    void delete_edge_at(int id, int target);

    // Gives the edge a new address; null, or the parallel-index message and
    // nothing changed. The edge keeps its place in the list and its value.
    const char* move_edge(GRAPH_EDGE* edge, int id, int target);

    // Deletes every marked node (with its edges), then every marked edge left.
    void delete_marked();

    // ---- order (graph_order.cpp) ----

    // Reorder by caller-given keys, one per item in the current order (nodes
    // by position, edges in list order, selected chain entries in chain
    // order). Return the sort's message (the items then keep the order they
    // had) or null. No address part but node positions changes, and no
    // parallel index.
    const char* sort_nodes(UNION_DATA** keys, bool ascending);
    const char* sort_edges(UNION_DATA** keys, bool ascending);
    // Permutes the entries that the direction selects among their own
    // places; the other entries stay put.
    const char* sort_incidence(UNION_DATA** keys, bool ascending, int node, char direction);

    void reverse_nodes();
    void reverse_edges();
    void reverse_incidence(GRAPH_NODE* node);

    // Fills destination, a new empty graph, with the listed nodes (in
    // position order), the edges of source between listed nodes, and the
    // listed edges (whose end nodes come along). The edge list keeps the
    // source's order; within a pair the k-th selected edge by parallel index
    // gets parallel index k. Returns the first failed value copy, else null.
    static const char* subgraph(const GRAPH_DATA& source, int node_total, const int* node_list, int edge_total,
                                const int* edge_ids, const int* edge_targets, GRAPH_DATA& destination);

private:
    // Keeps a formatted message (keep_message) and hands it out.
    static const char* store_message(std::string text);
    GRAPH_NODE* make_node(UNION_DATA* source, int mode, const char*& message);
    void grow_if_full();
    // Appends a complete edge to the list and pushes it on both chains.
    void attach_edge(GRAPH_EDGE* edge);
    // Raises by one the parallel index of every edge from source to target
    // other than skip at or above from (step +1), or lowers those above from
    // (step -1). The chain of skipped (a node being deleted) is not read.
    static void shift_pair(GRAPH_NODE* source, GRAPH_NODE* target, GRAPH_EDGE* skip, int from, int step,
                           const GRAPH_NODE* skipped = nullptr);
    static void push_entry(GRAPH_NODE* node, GRAPH_EDGE* edge, uint8_t is_out);
    static void unlink_entry(GRAPH_NODE* node, GRAPH_EDGE* edge, uint8_t is_out);
    // Relinks a node's chain along the given entries.
    static void relink_chain(GRAPH_NODE* node, const std::vector<INCIDENCE_ENTRY>& entries);
    void take_contents(GRAPH_DATA& other);
};

}  // namespace morvu
