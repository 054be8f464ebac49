// Methods of graph written as statements: node and edge values set, nodes
// and edges inserted, deleted and moved, and the node order, the edge list
// or one node's incidence chain reversed or sorted.
//
// Every method that adds, removes or reorders refuses a graph that a walk
// is iterating, including the walk of a find or sort whose code calls it.
// Methods that take several items check them all before the first change
// (ins, Ins, del, Del); set and the plain node additions work pair by pair
// and keep what the earlier pairs did.

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/containers/graph_walk.h"
#include "types/element_keys.h"
#include "types/graph_checks.h"
#include "types/method_call.h"
#include "values/graph_store.h"
#include "values/walk_pins.h"

namespace morvu {

namespace {

GRAPH_DATA& graph_of(UNION_DATA* value) { return *value->graph_data(); }

// The receiver of a method that changes the structure.
GRAPH_DATA& changed_graph(const METHOD_CALL& call, bool non_empty = false) {
    UNION_DATA* value = call.checked_receiver(non_empty);
    call.refuse_constant();
    call.refuse_during_iteration();
    return graph_of(value);
}

void require_pairs(const METHOD_CALL& call) {
    if (call.count() == 0 || call.count() % 2 != 0) call.raise(msg_text("anzargposger"));
}

struct HANDED_OVER {
    UNION_DATA* cell = nullptr;
    int mode = 0;
};

HANDED_OVER value_arg(const METHOD_CALL& call, int32_t i) {
    HANDED_OVER value;
    transfer_out_arg(call.args, call.node, i, false, false, &value.cell, &value.mode);
    return value;
}

// set and Set: pair by pair, the value into the node or edge named.
void set_values(const METHOD_CALL& call, GRAPH_DATA& graph, bool from_end) {
    const CALL_ARGS& args = *call.args;
    require_pairs(call);
    for (int32_t i = 0; i < args.count(); i += 2) {
        call.raise_if(check_arg_type2(args, i, tag_int, tag_any2, true));
        const bool is_edge = base_type_code(argument_value(args[i].cell)) == tag_any2;
        int32_t id = 0;
        int32_t target = 0;
        if (is_edge) call.raise_if(check_arg_element_type(args, i, &id, &target));
        const HANDED_OVER value = value_arg(call, i + 1);
        if (is_edge) {
            call.raise_if(graph.set_edge_value(id, target, value.cell, value.mode));
            continue;
        }
        const int64_t index = int_argument(args, i);
        const int64_t position = from_end ? int64_t{graph.node_count} - 1 - index : index;
        if (position < INT_MIN || position > INT_MAX)
            call.raise(format_string(msg_text("knoexinic"), position < 0 ? INT_MIN : INT_MAX));
        call.raise_if(graph.set_node_value(static_cast<int>(position), value.cell, value.mode));
    }
}

// The parallel-index refusal for an address whose id does not fit an int:
// no index that large can be admitted.
[[noreturn]] void raise_parallel_too_large(const METHOD_CALL& call, const GRAPH_DATA& graph,
                                           const GRAPH_INSERTION& edge) {
    call.raise(format_string(msg_text("indparkankleglesei"), edge.parallel, INT_MAX, graph.node_count,
                             graph.count_edges_between(edge.source, edge.target, '+')));
}

// ins: node positions and new edge addresses, all checked first.
void insert_items(const METHOD_CALL& call, GRAPH_DATA& graph) {
    require_pairs(call);
    std::vector<GRAPH_INSERTION> insertions;
    call.raise_if(check_graph_item_args(*call.args, graph, insertions));
    for (size_t pair = 0; pair < insertions.size(); ++pair) {
        const GRAPH_INSERTION& insertion = insertions[pair];
        const HANDED_OVER value = value_arg(call, static_cast<int32_t>(2 * pair + 1));
        if (!insertion.is_edge) {
            call.raise_if(graph.insert_node(insertion.position, value.cell, value.mode));
            continue;
        }
        const int64_t id = int64_t{insertion.parallel} * graph.node_count + insertion.source;
        if (id > INT_MAX) raise_parallel_too_large(call, graph, insertion);
        call.raise_if(graph.add_edge(static_cast<int>(id), insertion.target, value.cell, value.mode));
    }
}

// Ins: node positions counted from the end.
void insert_nodes_from_end(const METHOD_CALL& call, GRAPH_DATA& graph) {
    require_pairs(call);
    std::vector<int64_t> positions;
    call.raise_if(check_index_or_key_arg(*call.args, graph.node_count, true, 'g', positions));
    for (size_t pair = 0; pair < positions.size(); ++pair) {
        const HANDED_OVER value = value_arg(call, static_cast<int32_t>(2 * pair + 1));
        call.raise_if(graph.insert_node(static_cast<int>(positions[pair]), value.cell, value.mode));
    }
}

// The call form and Ins0 append one node per argument; ins0 puts each in
// front of the previous one.
void add_nodes(const METHOD_CALL& call, GRAPH_DATA& graph, bool at_front) {
    for (int32_t i = 0; i < call.count(); ++i) {
        const HANDED_OVER value = value_arg(call, i);
        call.raise_if(at_front ? graph.prepend_node(value.cell, value.mode)
                               : graph.append_node(value.cell, value.mode));
    }
}

// move: the edge at the first address goes to the second.
void move_edge(const METHOD_CALL& call, GRAPH_DATA& graph) {
    const CALL_ARGS& args = *call.args;
    int32_t id = 0;
    int32_t target = 0;
    int32_t new_id = 0;
    int32_t new_target = 0;
    call.raise_if(check_arg_element_type(args, 0, &id, &target));
    call.raise_if(check_arg_element_type(args, 1, &new_id, &new_target));
    const int32_t in_order[] = {id, target, new_id, new_target};
    for (int k = 0; k < 4; ++k) {
        const bool is_target = k % 2 == 1;
        if (in_order[k] < 0 || (is_target && in_order[k] >= graph.node_count))
            call.raise(format_string(msg_text("knoexinic"), in_order[k]));
    }
    GRAPH_EDGE* edge = graph.find_edge(id, target);
    if (edge == nullptr) call.raise(format_string(msg_text("kanexinic"), id, target));
    call.raise_if(graph.move_edge(edge, new_id, new_target));
}

// The value cells of the graph's nodes, of its edges, or of the chain
// entries of a node that the direction takes.
std::vector<UNION_DATA*> node_cells(GRAPH_DATA& graph) {
    std::vector<UNION_DATA*> cells;
    cells.reserve(static_cast<size_t>(graph.node_count));
    for (int i = 0; i < graph.node_count; ++i) cells.push_back(&graph.nodes[static_cast<size_t>(i)]->value);
    return cells;
}

std::vector<UNION_DATA*> edge_cells(GRAPH_DATA& graph) {
    std::vector<UNION_DATA*> cells;
    cells.reserve(static_cast<size_t>(graph.edge_count));
    for (GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next) cells.push_back(&edge->value);
    return cells;
}

std::vector<UNION_DATA*> chain_cells(GRAPH_DATA& graph, int node, char direction) {
    std::vector<UNION_DATA*> cells;
    for (INCIDENCE_ENTRY entry = first_entry(graph.nodes[static_cast<size_t>(node)]); entry.edge != nullptr;
         entry = next_entry(entry))
        if (direction_selects(direction, entry.is_out)) cells.push_back(&entry.edge->value);
    return cells;
}

// The sorts by the values themselves. The graph stays pinned while the
// values are compared, since comparing objects runs their own order.
void sort_by_values(const METHOD_CALL& call, GRAPH_DATA& graph, std::vector<UNION_DATA*> cells,
                    const GRAPH_LOOP& loop) {
    if (cells.size() < 2) return;
    const bool ascending = call.key()[0] == 's';
    WALK_PIN pin('g', &graph);
    ELEMENT_KEYS keys(std::move(cells));
    if (loop.over_nodes()) call.raise_if(graph.sort_nodes(keys.data(), ascending));
    else if (loop.over_edges()) call.raise_if(graph.sort_edges(keys.data(), ascending));
    else call.raise_if(graph.sort_incidence(keys.data(), ascending, loop.node, loop.direction));
}

// sort and Sort with a loop variable and code: the items are ordered by the
// keys that the code gives for them.
void sort_by_code(const METHOD_CALL& call, GRAPH_DATA& graph) {
    const GRAPH_LOOP loop = check_graph_loop_args(call, graph);
    if (loop_item_count(graph, loop) < 2) return;
    const bool ascending = call.key()[0] == 's';
    const LOOP_CODE code(call, loop.count);
    WALK_PIN pin('g', &graph);
    std::vector<std::unique_ptr<UNION_DATA>> made;
    std::vector<UNION_DATA*> keys;
    walk_loop_items(graph, loop, false, [&](UNION_DATA* value, GRAPH_EDGE* edge, int) {
        if (edge != nullptr) bind_edge_address(call, graph, edge);
        made.push_back(code.sort_key(value));
        keys.push_back(made.back().get());
        return true;
    });
    if (pin.orphaned()) return;  // the graph is gone: nothing is left to order
    if (loop.over_nodes()) call.raise_if(graph.sort_nodes(keys.data(), ascending));
    else if (loop.over_edges()) call.raise_if(graph.sort_edges(keys.data(), ascending));
    else call.raise_if(graph.sort_incidence(keys.data(), ascending, loop.node, loop.direction));
}

}  // namespace

bool graph_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    const CALL_ARGS& args = *call.args;
    if (key_has_prefix(key, "set\xA7") || key_has_prefix(key, "Set\xA7")) {
        GRAPH_DATA& graph = graph_of(call.checked_receiver());
        call.refuse_constant();
        set_values(call, graph, key[0] == 'S');
        return true;
    }
    if (key_has_prefix(key, "ins\xA7")) {
        insert_items(call, changed_graph(call));
        return true;
    }
    if (key_has_prefix(key, "Ins\xA7")) {
        insert_nodes_from_end(call, changed_graph(call));
        return true;
    }
    if (is_call_form_key(key) || key_has_prefix(key, "Ins0\xA7") || key_has_prefix(key, "ins0\xA7")) {
        add_nodes(call, changed_graph(call), key[0] == 'i');
        return true;
    }
    if (key_is(key, "del0\xA7") || key_is(key, "Del0\xA7")) {
        GRAPH_DATA& graph = changed_graph(call, true);
        if (key[0] == 'd') graph.delete_first_node();
        else graph.delete_last_node();
        return true;
    }
    if (key_is(key, "del\xA7")) return false;  // the method common to all types
    if (key_has_prefix(key, "del\xA7")) {
        GRAPH_DATA& graph = changed_graph(call);
        call.raise_if(check_arg_range(args, 1, -1));
        call.raise_if(check_graph_deletions(args, graph));
        graph.delete_marked();
        return true;
    }
    if (key_has_prefix(key, "Del\xA7")) {
        GRAPH_DATA& graph = changed_graph(call);
        call.raise_if(check_arg_range(args, 1, -1));
        std::vector<int64_t> positions;
        call.raise_if(check_index_arg(args, graph.node_count, true, 'g', positions));
        for (int64_t position : positions) graph.delete_node(static_cast<int>(position));
        return true;
    }
    if (key_is(key,
               "move\xA7"
               "any2;any2;\xA7")) {
        move_edge(call, changed_graph(call));
        return true;
    }
    if (key_is(key,
               "flip\xA7"
               "bool;\xA7")) {
        GRAPH_DATA& graph = changed_graph(call);
        if (bool_arg_selects(args, 0)) graph.reverse_nodes();
        else graph.reverse_edges();
        return true;
    }
    if (key_is(key,
               "sort\xA7"
               "bool;\xA7") ||
        key_is(key,
               "Sort\xA7"
               "bool;\xA7")) {
        GRAPH_DATA& graph = changed_graph(call);
        GRAPH_LOOP loop;
        loop.count = bool_arg_selects(args, 0) ? 2 : 3;
        sort_by_values(call, graph, loop.over_nodes() ? node_cells(graph) : edge_cells(graph), loop);
        return true;
    }
    if (key_is(key,
               "sort\xA7"
               "int;char;\xA7") ||
        key_is(key,
               "Sort\xA7"
               "int;char;\xA7")) {
        GRAPH_DATA& graph = changed_graph(call);
        GRAPH_LOOP loop;
        loop.count = 5;
        call.raise_if(check_node_arg(args, graph, 0, false, &loop.node));
        call.raise_if(check_direction_arg(args, 1, &loop.direction));
        sort_by_values(call, graph, chain_cells(graph, loop.node, loop.direction), loop);
        return true;
    }
    if (key_has_prefix(key, "sort\xA7") || key_has_prefix(key, "Sort\xA7")) {
        sort_by_code(call, changed_graph(call));
        return true;
    }
    return false;
}

}  // namespace morvu
