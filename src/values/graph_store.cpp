#include "values/graph_store.h"

#include <cstdint>
#include <utility>

#include "runtime/message_scratch.h"
#include "runtime/messages.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"

namespace morvu {

namespace {

// Destroys a node or an edge, unless an operation holds its value cell: the
// block then waits on the deferred list until the hold ends.
template <class BLOCK>
void destroy_unless_held(BLOCK* block) {
    if (block->value.in_use != 0) [[unlikely]] {
        defer_release(block, &block->value, nullptr, [](void* held) { delete static_cast<BLOCK*>(held); });
        return;
    }
    block->~BLOCK();
    ::operator delete(block);
}

}  // namespace

void* GRAPH_NODE::operator new(std::size_t size) { return ::operator new(size); }

void GRAPH_NODE::operator delete(void* block) noexcept { ::operator delete(block); }

void GRAPH_NODE::operator delete(GRAPH_NODE* node, std::destroying_delete_t) { destroy_unless_held(node); }

void* GRAPH_EDGE::operator new(std::size_t size) { return ::operator new(size); }

void GRAPH_EDGE::operator delete(void* block) noexcept { ::operator delete(block); }

void GRAPH_EDGE::operator delete(GRAPH_EDGE* edge, std::destroying_delete_t) { destroy_unless_held(edge); }

namespace {

// Assigns source into a node or edge value by the mode. Alias and call-alias
// need a variable-like destination, so the cell counts as one for the
// length of the assignment.
const char* assign_as_variable(UNION_DATA* cell, UNION_DATA* source, int mode) {
    cell->scope_variable = 1;
    const char* message = assign_by_mode(cell, source, mode);
    cell->scope_variable = 0;
    return message;
}

}  // namespace

const char* GRAPH_DATA::store_message(std::string text) { return keep_message(std::move(text)); }

GRAPH_DATA::~GRAPH_DATA() { clear(); }

UNION_DATA* GRAPH_DATA::node_value(int i, bool trusted, const char*& message) {
    // A trusted index is not checked against node_count by the caller's
    // promise; an empty slot would still be fatal, so it is refused as well.
    (void)trusted;
    if (i < 0 || i >= node_count) {
        message = store_message(format_string(msg_text("knoexinic"), i));
        return nullptr;
    }
    message = nullptr;
    return &nodes[static_cast<size_t>(i)]->value;
}

UNION_DATA* GRAPH_DATA::first_node_value() { return &nodes[0]->value; }

UNION_DATA* GRAPH_DATA::last_node_value() { return &nodes[static_cast<size_t>(node_count - 1)]->value; }

GRAPH_EDGE* GRAPH_DATA::find_edge(int id, int target) const {
    if (id < 0 || target < 0 || target >= node_count) return nullptr;
    const int source = id % node_count;
    GRAPH_NODE* from = nodes[static_cast<size_t>(source)];
    GRAPH_NODE* to = nodes[static_cast<size_t>(target)];
    GRAPH_EDGE* found = nullptr;
    for_each_pair_edge(from, to, pair_chain_node(from, to), [&](GRAPH_EDGE* edge) {
        if (static_cast<int64_t>(edge->parallel_index) * node_count + source == id) found = edge;
    });
    return found;
}

UNION_DATA* GRAPH_DATA::edge_value(int id, int target, const char*& message) {
    GRAPH_EDGE* edge = find_edge(id, target);
    if (edge == nullptr) {
        message = store_message(format_string(msg_text("kanexinic"), id, target));
        return nullptr;
    }
    message = nullptr;
    return &edge->value;
}

UNION_DATA* GRAPH_DATA::edge_value_at(int id, int target, const char*& message) {
    return edge_value(id, target, message);
}

int GRAPH_DATA::degree(int node, char direction) const {
    if (node < 0 || node >= node_count) return 0;
    int total = 0;
    for (INCIDENCE_ENTRY entry = first_entry(nodes[static_cast<size_t>(node)]); entry.edge != nullptr;
         entry = next_entry(entry))
        if (direction_selects(direction, entry.is_out)) ++total;
    return total;
}

int GRAPH_DATA::count_edges_between(int i, int j, char direction) const {
    if (i < 0 || i >= node_count) return 0;
    int total = 0;
    for (INCIDENCE_ENTRY entry = first_entry(nodes[static_cast<size_t>(i)]); entry.edge != nullptr;
         entry = next_entry(entry)) {
        if (!direction_selects(direction, entry.is_out)) continue;
        const GRAPH_NODE* other = entry.is_out ? entry.edge->target : entry.edge->source;
        if (other->index == j) ++total;
    }
    return total;
}

bool GRAPH_DATA::equals(const GRAPH_DATA& other) const {
    return equal_containers(tag_graph, const_cast<GRAPH_DATA*>(this), const_cast<GRAPH_DATA*>(&other));
}

const char* GRAPH_DATA::check_not_iterating() const { return iterations > 0 ? msg_text("unzwaeite") : nullptr; }

const char* GRAPH_DATA::set_node_value(int i, UNION_DATA* source, int mode) {
    const char* message = nullptr;
    UNION_DATA* cell = node_value(i, false, message);
    if (cell == nullptr) return message;
    return assign_as_variable(cell, source, mode);
}

const char* GRAPH_DATA::set_edge_value(int id, int target, UNION_DATA* source, int mode) {
    const char* message = nullptr;
    UNION_DATA* cell = edge_value(id, target, message);
    if (cell == nullptr) return message;
    return assign_as_variable(cell, source, mode);
}

void GRAPH_DATA::grow_nodes(int new_capacity) {
    if (new_capacity < node_count) new_capacity = node_count;
    nodes.resize(static_cast<size_t>(new_capacity), nullptr);
    capacity = new_capacity;
}

void GRAPH_DATA::clear() {
    for (int i = 0; i < node_count; ++i) {
        GRAPH_NODE* node = std::exchange(nodes[static_cast<size_t>(i)], nullptr);
        delete node;
    }
    node_count = 0;
    GRAPH_EDGE* edge = std::exchange(first_edge, nullptr);
    last_edge = nullptr;
    while (edge != nullptr) {
        GRAPH_EDGE* next = edge->next;
        delete edge;
        edge = next;
    }
    edge_count = 0;
}

void GRAPH_DATA::take_contents(GRAPH_DATA& other) {
    std::swap(capacity, other.capacity);
    std::swap(node_count, other.node_count);
    std::swap(nodes, other.nodes);
    std::swap(first_edge, other.first_edge);
    std::swap(last_edge, other.last_edge);
    std::swap(edge_count, other.edge_count);
}

const char* GRAPH_DATA::assign(const GRAPH_DATA& source) {
    if (&source == this) return nullptr;
    // Build the copy aside and swap it in: the source may lie inside a value
    // of this graph, which must live until the copy is made.
    GRAPH_DATA copy;
    FIRST_MESSAGE message;
    copy.grow_nodes(source.capacity);
    for (int i = 0; i < source.node_count; ++i) {
        auto* node = new GRAPH_NODE;
        node->index = i;
        copy.nodes[static_cast<size_t>(i)] = node;
        copy.node_count = i + 1;
        const char* failure = copy_into_slot(&node->value, &source.nodes[static_cast<size_t>(i)]->value, 4);
        message.note(failure);
    }
    for (GRAPH_EDGE* edge = source.first_edge; edge != nullptr; edge = edge->next) {
        auto* twin = new GRAPH_EDGE;
        twin->source = copy.nodes[static_cast<size_t>(edge->source->index)];
        twin->target = copy.nodes[static_cast<size_t>(edge->target->index)];
        twin->parallel_index = edge->parallel_index;
        copy.attach_edge(twin);
        const char* failure = copy_into_slot(&twin->value, &edge->value, 4);
        message.note(failure);
    }
    take_contents(copy);
    return message.result();  // the old contents go with copy
}

void GRAPH_DATA::clear_marks() {
    for (int i = 0; i < node_count; ++i) nodes[static_cast<size_t>(i)]->mark = 0;
    for (GRAPH_EDGE* edge = first_edge; edge != nullptr; edge = edge->next) edge->mark = 0;
}

}  // namespace morvu
