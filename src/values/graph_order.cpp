// Reordering a graph without changing what it holds (the node order, the
// graph-wide edge list, one node's incidence chain), and the extraction of a
// sub-graph. None of these changes a value, a parallel index or an edge
// address part other than the node positions.

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

#include "runtime/hash_tables.h"
#include "runtime/message_scratch.h"
#include "values/assign_rules.h"
#include "values/graph_store.h"
#include "values/value_sort.h"

namespace morvu {

namespace {

// The entries of a node's chain in chain order.
std::vector<INCIDENCE_ENTRY> chain_entries(const GRAPH_NODE* node) {
    std::vector<INCIDENCE_ENTRY> entries;
    for (INCIDENCE_ENTRY entry = first_entry(node); entry.edge != nullptr; entry = next_entry(entry))
        entries.push_back(entry);
    return entries;
}

// The permutation 0 to n - 1 ordered by the keys; the sort's message or null.
const char* sorted_permutation(UNION_DATA** keys, int n, bool ascending, std::vector<int>& permutation) {
    permutation.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) permutation[static_cast<size_t>(i)] = i;
    if (n < 2) return nullptr;
    return sort_values(keys, permutation.data(), n, ascending);
}

}  // namespace

void GRAPH_DATA::relink_chain(GRAPH_NODE* node, const std::vector<INCIDENCE_ENTRY>& entries) {
    if (entries.empty()) {
        node->first_incident = nullptr;
        node->first_is_out = 1;
        return;
    }
    node->first_incident = entries.front().edge;
    node->first_is_out = entries.front().is_out;
    for (size_t k = 0; k < entries.size(); ++k) {
        INCIDENCE_ENTRY after = k + 1 < entries.size() ? entries[k + 1] : INCIDENCE_ENTRY{nullptr, 1};
        // Only the entry's own link: the edge's other link belongs to the
        // chain of its other end.
        GRAPH_EDGE* edge = entries[k].edge;
        if (entries[k].is_out) {
            edge->next_at_source = after.edge;
            edge->next_at_source_is_out = after.is_out;
        } else {
            edge->next_at_target = after.edge;
            edge->next_at_target_is_out = after.is_out;
        }
    }
}

void GRAPH_DATA::reverse_nodes() {
    for (int i = 0; i < node_count / 2; ++i) {
        int j = node_count - 1 - i;
        std::swap(nodes[static_cast<size_t>(i)], nodes[static_cast<size_t>(j)]);
        nodes[static_cast<size_t>(i)]->index = i;
        nodes[static_cast<size_t>(j)]->index = j;
    }
}

void GRAPH_DATA::reverse_edges() {
    if (edge_count < 2) return;
    for (GRAPH_EDGE* edge = first_edge; edge != nullptr;) {
        GRAPH_EDGE* next = edge->next;
        std::swap(edge->prev, edge->next);
        edge = next;
    }
    std::swap(first_edge, last_edge);
}

void GRAPH_DATA::reverse_incidence(GRAPH_NODE* node) {
    std::vector<INCIDENCE_ENTRY> entries = chain_entries(node);
    if (entries.size() < 2) return;
    std::reverse(entries.begin(), entries.end());
    relink_chain(node, entries);
}

const char* GRAPH_DATA::sort_nodes(UNION_DATA** keys, bool ascending) {
    std::vector<int> permutation;
    if (const char* message = sorted_permutation(keys, node_count, ascending, permutation)) return message;
    std::vector<GRAPH_NODE*> old(nodes.begin(), nodes.begin() + node_count);
    for (int i = 0; i < node_count; ++i) {
        GRAPH_NODE* node = old[static_cast<size_t>(permutation[static_cast<size_t>(i)])];
        node->index = i;
        nodes[static_cast<size_t>(i)] = node;
    }
    return nullptr;
}

const char* GRAPH_DATA::sort_edges(UNION_DATA** keys, bool ascending) {
    std::vector<int> permutation;
    if (const char* message = sorted_permutation(keys, edge_count, ascending, permutation)) return message;
    if (edge_count == 0) return nullptr;
    std::vector<GRAPH_EDGE*> old;
    for (GRAPH_EDGE* edge = first_edge; edge != nullptr; edge = edge->next) old.push_back(edge);
    GRAPH_EDGE* previous = nullptr;
    for (int i = 0; i < edge_count; ++i) {
        GRAPH_EDGE* edge = old[static_cast<size_t>(permutation[static_cast<size_t>(i)])];
        edge->prev = previous;
        if (previous != nullptr) previous->next = edge;
        else first_edge = edge;
        previous = edge;
    }
    previous->next = nullptr;
    last_edge = previous;
    return nullptr;
}

const char* GRAPH_DATA::sort_incidence(UNION_DATA** keys, bool ascending, int node, char direction) {
    GRAPH_NODE* owner = nodes[static_cast<size_t>(node)];
    std::vector<INCIDENCE_ENTRY> entries = chain_entries(owner);
    std::vector<INCIDENCE_ENTRY> selected;
    for (const INCIDENCE_ENTRY& entry : entries)
        if (direction_selects(direction, entry.is_out)) selected.push_back(entry);
    std::vector<int> permutation;
    if (const char* message = sorted_permutation(keys, static_cast<int>(selected.size()), ascending, permutation))
        return message;
    // The selected places take the selected entries in the sorted order; the
    // other entries stay where they are.
    size_t next = 0;
    for (INCIDENCE_ENTRY& entry : entries)
        if (direction_selects(direction, entry.is_out)) entry = selected[static_cast<size_t>(permutation[next++])];
    relink_chain(owner, entries);
    return nullptr;
}

const char* GRAPH_DATA::subgraph(const GRAPH_DATA& source, int node_total, const int* node_list, int edge_total,
                                 const int* edge_ids, const int* edge_targets, GRAPH_DATA& destination) {
    const int n = source.node_count;
    auto node_at = [&](int i) { return source.nodes[static_cast<size_t>(i)]; };
    std::vector<uint8_t> selected(static_cast<size_t>(n), 0);
    for (int k = 0; k < node_total; ++k)
        if (node_list[k] >= 0 && node_list[k] < n) selected[static_cast<size_t>(node_list[k])] = 1;

    // The edge set, keyed by the edge's full address.
    PTR_PTR_TABLE edge_set(0, false, 97);
    std::vector<GRAPH_EDGE*> taken;
    auto take = [&](GRAPH_EDGE* edge) {
        intptr_t& member = edge_set[reinterpret_cast<uintptr_t>(edge)];
        if (member == 0) {
            member = 1;
            taken.push_back(edge);
        }
    };
    // Edges between listed nodes.
    for (int k = 0; k < node_total; ++k) {
        if (node_list[k] < 0 || node_list[k] >= n) continue;
        for (INCIDENCE_ENTRY entry = first_entry(node_at(node_list[k])); entry.edge != nullptr;
             entry = next_entry(entry))
            if (entry.is_out && selected[static_cast<size_t>(entry.edge->target->index)]) take(entry.edge);
    }
    // Listed edges, with their end nodes.
    for (int k = 0; k < edge_total; ++k) {
        GRAPH_EDGE* edge = source.find_edge(edge_ids[k], edge_targets[k]);
        if (edge == nullptr) continue;
        selected[static_cast<size_t>(edge->source->index)] = 1;
        selected[static_cast<size_t>(edge->target->index)] = 1;
        take(edge);
    }

    // Within each pair the selected edges keep their order: the k-th by
    // parallel index gets k. The rank is kept in the set as rank + 1.
    std::sort(taken.begin(), taken.end(), [](const GRAPH_EDGE* a, const GRAPH_EDGE* b) {
        return std::make_tuple(a->source->index, a->target->index, a->parallel_index) <
               std::make_tuple(b->source->index, b->target->index, b->parallel_index);
    });
    for (size_t k = 0; k < taken.size(); ++k) {
        bool same_pair = k > 0 && taken[k - 1]->source == taken[k]->source && taken[k - 1]->target == taken[k]->target;
        intptr_t rank = same_pair ? edge_set[reinterpret_cast<uintptr_t>(taken[k - 1])] : 0;
        edge_set[reinterpret_cast<uintptr_t>(taken[k])] = rank + 1;
    }

    FIRST_MESSAGE message;
    std::vector<int> new_position(static_cast<size_t>(n), -1);
    for (int i = 0; i < n; ++i) {
        if (!selected[static_cast<size_t>(i)]) continue;
        auto* node = new GRAPH_NODE;
        destination.grow_if_full();
        node->index = destination.node_count;
        destination.nodes[static_cast<size_t>(destination.node_count)] = node;
        new_position[static_cast<size_t>(i)] = destination.node_count++;
        const char* failure = copy_into_slot(&node->value, &node_at(i)->value, 4);
        message.note(failure);
    }
    for (GRAPH_EDGE* edge = source.first_edge; edge != nullptr; edge = edge->next) {
        const intptr_t* rank = edge_set.find(reinterpret_cast<uintptr_t>(edge));
        if (rank == nullptr) continue;
        auto* twin = new GRAPH_EDGE;
        twin->source = destination.nodes[static_cast<size_t>(new_position[static_cast<size_t>(edge->source->index)])];
        twin->target = destination.nodes[static_cast<size_t>(new_position[static_cast<size_t>(edge->target->index)])];
        twin->parallel_index = static_cast<int>(*rank - 1);
        destination.attach_edge(twin);
        const char* failure = copy_into_slot(&twin->value, &edge->value, 4);
        message.note(failure);
    }
    return message.result();
}

}  // namespace morvu
