// Methods of graph: directed graphs whose nodes and edges each hold a value.
// This file answers the calls in expressions: counts and degrees, node and
// edge values as copies or aliases, new graphs and sub-graphs, and the
// searches with a loop variable and code. The statements that change a
// graph are in graph_edit.cpp.
//
// A node is named by its index, an edge by its address (id, target), an
// any2 with id = parallel index x node count + source index. A direction
// character picks edges at a node: '*' all, '-' incoming, '+' outgoing.

#include <string>
#include <vector>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/containers/graph_walk.h"
#include "types/graph_checks.h"
#include "types/method_call.h"
#include "values/factories.h"
#include "values/graph_store.h"
#include "values/walk_pins.h"

namespace morvu {

namespace {

GRAPH_DATA& graph_of(UNION_DATA* value) { return *value->graph_data(); }

void hand_out(const METHOD_CALL& call, UNION_DATA* cell, int mode) {
    call.raise_if(make_copy_value(*call.results, cell, mode, false, false));
}

// The arguments in order become the nodes of the graph (none: nothing).
void append_nodes(const METHOD_CALL& call, GRAPH_DATA& graph) {
    for (int32_t i = 0; i < call.count(); ++i) {
        UNION_DATA* cell = nullptr;
        int mode = 0;
        transfer_out_arg(call.args, call.node, i, false, false, &cell, &mode);
        call.raise_if(graph.append_node(cell, mode));
    }
}

// The size keys with node arguments: a degree, or the edges between two
// nodes, in the direction given ('*' without one).
void count_at_nodes(const METHOD_CALL& call, GRAPH_DATA& graph, int nodes, bool with_direction) {
    int first = 0;
    int second = 0;
    call.raise_if(check_node_arg(*call.args, graph, 0, false, &first));
    if (nodes == 2) call.raise_if(check_node_arg(*call.args, graph, 1, false, &second));
    char direction = '*';
    if (with_direction) call.raise_if(check_direction_arg(*call.args, nodes, &direction));
    const int total = nodes == 1 ? graph.degree(first, direction) : graph.count_edges_between(first, second, direction);
    call.append(make_int_value_from_number(total));
}

// graph: the sub-graph of the listed nodes and edges.
void make_subgraph(const METHOD_CALL& call, GRAPH_DATA& graph) {
    auto* cell = new UNION_DATA(tag_graph);
    call.append(RESULT_ITEM{cell, access_function_result, 1});
    std::vector<int> nodes;
    std::vector<int> edge_ids;
    std::vector<int> edge_targets;
    for (int32_t i = 0; i < call.count(); ++i) {
        GRAPH_ITEM item;
        call.raise_if(check_graph_item_arg(*call.args, graph, i, true, &item));
        if (item.is_edge) {
            edge_ids.push_back(item.first);
            edge_targets.push_back(item.second);
        } else {
            nodes.push_back(item.first);
        }
    }
    call.raise_if(GRAPH_DATA::subgraph(graph, static_cast<int>(nodes.size()), nodes.data(),
                                       static_cast<int>(edge_ids.size()), edge_ids.data(), edge_targets.data(),
                                       graph_of(cell)));
}

bool is_find_key(const std::string& key) {
    return key_has_prefix(key, "find\xA7") || key_has_prefix(key, "Find\xA7") || key_has_prefix(key, "find_all\xA7") ||
           key_has_prefix(key, "Find_all\xA7");
}

// find, Find, find_all, Find_all: the index of each matching node (counted
// from the first), or the address of each matching edge.
void find_items(const METHOD_CALL& call, GRAPH_DATA& graph) {
    const GRAPH_LOOP loop = check_graph_loop_args(call, graph);
    const std::string& key = call.key();
    const bool backwards = key[0] == 'F';
    const bool all = key[4] == '_';
    const LOOP_CODE code(call, loop.count);
    WALK_PIN pin('g', &graph);
    walk_loop_items(graph, loop, backwards, [&](UNION_DATA* value, GRAPH_EDGE* edge, int node) {
        if (edge != nullptr) bind_edge_address(call, graph, edge);
        if (!code.matches(value)) return true;
        call.append(edge != nullptr ? edge_address_value(graph, edge) : make_int_value_from_number(node));
        return all;
    });
}

}  // namespace

bool graph_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    const CALL_ARGS& args = *call.args;
    if (is_call_form_key(key)) {
        auto* cell = new UNION_DATA(tag_graph);
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        append_nodes(call, graph_of(cell));
        return true;
    }
    if (key_is(key, "size\xA7")) {
        call.append(make_int_value_from_number(graph_of(call.checked_receiver()).node_count));
        return true;
    }
    if (key_is(key,
               "size\xA7"
               "bool;\xA7")) {
        GRAPH_DATA& graph = graph_of(call.checked_receiver());
        call.append(make_int_value_from_number(bool_arg_selects(args, 0) ? graph.node_count : graph.edge_count));
        return true;
    }
    if (key_is(key,
               "size\xA7"
               "int;\xA7") ||
        key_is(key,
               "size\xA7"
               "int;char;\xA7")) {
        count_at_nodes(call, graph_of(call.checked_receiver()), 1, args.count() == 2);
        return true;
    }
    if (key_is(key,
               "size\xA7"
               "int;int;\xA7") ||
        key_is(key,
               "size\xA7"
               "int;int;char;\xA7")) {
        count_at_nodes(call, graph_of(call.checked_receiver()), 2, args.count() == 3);
        return true;
    }
    if (key_is(key, "def\xA7")) return false;  // the method common to all types
    if (key_has_prefix(key, "def\xA7")) {
        GRAPH_DATA& graph = graph_of(call.checked_receiver());
        call.raise_if(check_arg_range(args, 1, -1));
        for (int32_t i = 0; i < args.count(); ++i) {
            int32_t id = 0;
            int32_t target = 0;
            call.raise_if(check_edge_arg(args, graph, i, &id, &target));
            call.append(make_bool_value(graph.find_edge(id, target) != nullptr, 0));
        }
        return true;
    }
    if (key_has_prefix(key, "get\xA7") || key_has_prefix(key, "Get\xA7")) {
        GRAPH_DATA& graph = graph_of(call.checked_receiver());
        call.raise_if(check_arg_range(args, 1, -1));
        const bool from_end = key[0] == 'G';
        for (int32_t i = 0; i < args.count(); ++i) {
            UNION_DATA* cell = nullptr;
            if (from_end) {
                int node = 0;
                call.raise_if(check_node_arg(args, graph, i, true, &node));
                cell = &graph.nodes[static_cast<size_t>(node)]->value;
            } else {
                call.raise_if(check_node_or_edge_arg(args, graph, i, &cell));
            }
            hand_out(call, cell, 4);
        }
        return true;
    }
    if (key_has_prefix(key, "[]\xA7")) {
        GRAPH_DATA& graph = graph_of(call.checked_receiver());
        call.refuse_constant();
        call.raise_if(check_arg_range(args, 1, -1));
        for (int32_t i = 0; i < args.count(); ++i) {
            UNION_DATA* cell = nullptr;
            call.raise_if(check_node_or_edge_arg(args, graph, i, &cell));
            hand_out(call, cell, 3);
        }
        return true;
    }
    if (key_has_prefix(key, "graph\xA7")) {
        make_subgraph(call, graph_of(call.checked_receiver()));
        return true;
    }
    if (key_is(key, "get0\xA7") || key_is(key, "Get0\xA7")) {
        GRAPH_DATA& graph = graph_of(call.checked_receiver(true));
        hand_out(call, key[0] == 'g' ? graph.first_node_value() : graph.last_node_value(), 4);
        return true;
    }
    if (is_find_key(key)) {
        find_items(call, graph_of(call.checked_receiver()));
        return true;
    }
    if (key_is(key,
               "args\xA7"
               "bool;\xA7")) {
        GRAPH_DATA& graph = graph_of(call.checked_receiver());
        if (bool_arg_selects(args, 0)) {
            for (int i = 0; i < graph.node_count; ++i) hand_out(call, &graph.nodes[static_cast<size_t>(i)]->value, 4);
        } else {
            for (GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next)
                hand_out(call, &edge->value, 4);
        }
        return true;
    }
    return false;
}

}  // namespace morvu
