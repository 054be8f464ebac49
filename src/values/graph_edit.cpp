// The edits that change a graph's structure: nodes added and deleted, edges
// added, deleted and moved, and the parallel-index rule that keeps the edges
// of every (source, target) pair numbered 0 to k - 1.

#include <memory>
#include <utility>
#include <vector>

#include "runtime/messages.h"
#include "values/assign_rules.h"
#include "values/graph_store.h"

namespace morvu {

// ---- chains ----

void GRAPH_DATA::push_entry(GRAPH_NODE* node, GRAPH_EDGE* edge, uint8_t is_out) {
    if (is_out) {
        edge->next_at_source = node->first_incident;
        edge->next_at_source_is_out = node->first_is_out;
    } else {
        edge->next_at_target = node->first_incident;
        edge->next_at_target_is_out = node->first_is_out;
    }
    node->first_incident = edge;
    node->first_is_out = is_out;
}

void GRAPH_DATA::unlink_entry(GRAPH_NODE* node, GRAPH_EDGE* edge, uint8_t is_out) {
    // What follows the entry takes its place.
    INCIDENCE_ENTRY after = next_entry({edge, is_out});
    INCIDENCE_ENTRY before{};
    for (INCIDENCE_ENTRY entry = first_entry(node); entry.edge != nullptr; entry = next_entry(entry)) {
        if (entry.edge == edge && entry.is_out == is_out) {
            if (before.edge == nullptr) {
                node->first_incident = after.edge;
                node->first_is_out = after.is_out;
            } else if (before.is_out) {
                before.edge->next_at_source = after.edge;
                before.edge->next_at_source_is_out = after.is_out;
            } else {
                before.edge->next_at_target = after.edge;
                before.edge->next_at_target_is_out = after.is_out;
            }
            return;
        }
        before = entry;
    }
}

void GRAPH_DATA::shift_pair(GRAPH_NODE* source, GRAPH_NODE* target, GRAPH_EDGE* skip, int from, int step,
                            const GRAPH_NODE* skipped) {
    GRAPH_NODE* via = target == skipped ? source : pair_chain_node(source, target);
    for_each_pair_edge(source, target, via, [&](GRAPH_EDGE* edge) {
        if (edge == skip) return;
        if (step > 0 ? edge->parallel_index >= from : edge->parallel_index > from) edge->parallel_index += step;
    });
}

void GRAPH_DATA::attach_edge(GRAPH_EDGE* edge) {
    edge->prev = last_edge;
    edge->next = nullptr;
    if (last_edge != nullptr) last_edge->next = edge;
    else first_edge = edge;
    last_edge = edge;
    // For a loop both pushes reach the same chain: incoming first, then outgoing.
    push_entry(edge->source, edge, 1);
    push_entry(edge->target, edge, 0);
    ++edge_count;
}

// ---- nodes ----

GRAPH_NODE* GRAPH_DATA::make_node(UNION_DATA* source, int mode, const char*& message) {
    auto node = std::make_unique<GRAPH_NODE>();
    message = copy_into_slot(&node->value, source, mode);
    if (message != nullptr) return nullptr;
    return node.release();
}

void GRAPH_DATA::grow_if_full() {
    if (node_count == capacity) grow_nodes(capacity + 64);
}

const char* GRAPH_DATA::append_node(UNION_DATA* source, int mode) {
    const char* message = nullptr;
    GRAPH_NODE* node = make_node(source, mode, message);
    if (node == nullptr) return message;
    grow_if_full();
    node->index = node_count;
    nodes[static_cast<size_t>(node_count)] = node;
    ++node_count;
    return nullptr;
}

const char* GRAPH_DATA::prepend_node(UNION_DATA* source, int mode) { return insert_node(0, source, mode); }

const char* GRAPH_DATA::insert_node(int p, UNION_DATA* source, int mode) {
    if (p < 0 || p > node_count) return nullptr;
    if (p == node_count) return append_node(source, mode);
    const char* message = nullptr;
    GRAPH_NODE* node = make_node(source, mode, message);
    if (node == nullptr) return message;
    grow_if_full();
    for (int i = node_count - 1; i >= p; --i) {
        GRAPH_NODE* moved = nodes[static_cast<size_t>(i)];
        moved->index = i + 1;
        nodes[static_cast<size_t>(i + 1)] = moved;
    }
    node->index = p;
    nodes[static_cast<size_t>(p)] = node;
    ++node_count;
    return nullptr;
}

void GRAPH_DATA::delete_node(int i) {
    if (i < 0 || i >= node_count) return;
    GRAPH_NODE* node = nodes[static_cast<size_t>(i)];
    // The distinct edges of the chain, a loop once (at its outgoing entry).
    std::vector<GRAPH_EDGE*> incident;
    for (INCIDENCE_ENTRY entry = first_entry(node); entry.edge != nullptr; entry = next_entry(entry))
        if (entry.is_out || entry.edge->source != node) incident.push_back(entry.edge);
    for (GRAPH_EDGE* edge : incident) delete_edge(edge, node);
    node->first_incident = nullptr;
    for (int j = i + 1; j < node_count; ++j) {
        GRAPH_NODE* moved = nodes[static_cast<size_t>(j)];
        moved->index = j - 1;
        nodes[static_cast<size_t>(j - 1)] = moved;
    }
    --node_count;
    nodes[static_cast<size_t>(node_count)] = nullptr;
    delete node;  // its value goes last, when the graph is consistent again
}

void GRAPH_DATA::delete_first_node() { delete_node(0); }

void GRAPH_DATA::delete_last_node() { delete_node(node_count - 1); }

// ---- edges ----

const char* GRAPH_DATA::check_parallel_index(GRAPH_EDGE* edge, int id) {
    const int p = id / node_count;
    edge->parallel_index = p;
    int largest = -1;
    GRAPH_NODE* via = pair_chain_node(edge->source, edge->target);
    for_each_pair_edge(edge->source, edge->target, via, [&](GRAPH_EDGE* other) {
        if (other != edge && other->parallel_index > largest) largest = other->parallel_index;
    });
    if (p > largest + 1)
        return store_message(format_string(msg_text("indparkankleglesei"), p, id, node_count, largest + 1));
    if (p <= largest) {  // an edge at the end of its pair moves none up
        for_each_pair_edge(edge->source, edge->target, via, [&](GRAPH_EDGE* other) {
            if (other != edge && other->parallel_index >= p) ++other->parallel_index;
        });
    }
    return nullptr;
}

const char* GRAPH_DATA::add_edge(int id, int target, UNION_DATA* source, int mode) {
    if (node_count < 1 || id < 0 || target < 0 || target >= node_count) return nullptr;
    auto edge = std::make_unique<GRAPH_EDGE>();
    const char* message = copy_into_slot(&edge->value, source, mode);
    if (message != nullptr) return message;
    edge->source = nodes[static_cast<size_t>(id % node_count)];
    edge->target = nodes[static_cast<size_t>(target)];
    message = check_parallel_index(edge.get(), id);
    if (message != nullptr) return message;  // the new edge goes, nothing else changed
    attach_edge(edge.release());
    return nullptr;
}

void GRAPH_DATA::delete_edge(GRAPH_EDGE* edge, GRAPH_NODE* skipped) {
    if (edge->source != skipped) unlink_entry(edge->source, edge, 1);
    if (edge->target != skipped) unlink_entry(edge->target, edge, 0);
    // The chain of a skipped source still holds edges already freed.
    if (edge->source != skipped) shift_pair(edge->source, edge->target, edge, edge->parallel_index, -1, skipped);
    if (edge->prev != nullptr) edge->prev->next = edge->next;
    else first_edge = edge->next;
    if (edge->next != nullptr) edge->next->prev = edge->prev;
    else last_edge = edge->prev;
    --edge_count;
    delete edge;
}

void GRAPH_DATA::delete_edge_at(int id, int target) {
    GRAPH_EDGE* edge = find_edge(id, target);
    if (edge != nullptr) delete_edge(edge, nullptr);
}

const char* GRAPH_DATA::move_edge(GRAPH_EDGE* edge, int id, int target) {
    if (node_count < 1 || id < 0 || target < 0 || target >= node_count) return nullptr;
    GRAPH_NODE* new_source = nodes[static_cast<size_t>(id % node_count)];
    GRAPH_NODE* new_target = nodes[static_cast<size_t>(target)];
    const int p = id / node_count;
    if (new_source == edge->source && new_target == edge->target && p == edge->parallel_index) return nullptr;
    // The pair the edge goes to, without the edge, holds the indexes 0 to n - 1.
    int n = 0;
    for_each_pair_edge(new_source, new_target, pair_chain_node(new_source, new_target), [&](GRAPH_EDGE* other) {
        if (other != edge) ++n;
    });
    if (p > n) return store_message(format_string(msg_text("indparkankleglesei"), p, id, node_count, n));

    shift_pair(edge->source, edge->target, edge, edge->parallel_index, -1);
    if (new_source != edge->source) {
        unlink_entry(edge->source, edge, 1);
        push_entry(new_source, edge, 1);
        edge->source = new_source;
    }
    if (new_target != edge->target) {
        unlink_entry(edge->target, edge, 0);
        push_entry(new_target, edge, 0);
        edge->target = new_target;
    }
    edge->parallel_index = p;
    shift_pair(new_source, new_target, edge, p, +1);
    return nullptr;
}

void GRAPH_DATA::delete_marked() {
    // Downwards, so that the positions still to be visited stay put.
    for (int i = node_count - 1; i >= 0; --i)
        if (nodes[static_cast<size_t>(i)]->mark) delete_node(i);
    GRAPH_EDGE* edge = first_edge;
    while (edge != nullptr) {
        GRAPH_EDGE* next = edge->next;
        if (edge->mark) delete_edge(edge, nullptr);
        edge = next;
    }
}

}  // namespace morvu
