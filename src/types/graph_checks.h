// The argument checks of the graph methods. Like the general checks
// (types/arg_checks.h) each returns the empty text on success and the
// message otherwise, which the handler raises with call.raise_if.
//
// A node is named by its index, an int; an edge by its address, an any2 of
// two ints (id, target) with id = parallel index x node count + source
// index. Indexes are read as machine ints (saturating), so no huge number
// wraps into the graph.

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "types/method_call.h"

namespace morvu {

class GRAPH_DATA;
struct GRAPH_EDGE;

// Argument i is an int naming a node: the index as written, or with
// from_end counted from the last node (0 the last). The node's position goes
// to *node; the message names the position after the conversion.
std::string check_node_arg(const CALL_ARGS& args, const GRAPH_DATA& graph, int32_t i, bool from_end, int* node);

// Argument i is an edge address that the graph could hold: an any2 of two
// ints, id >= 0, target a node index. The edge itself need not exist.
std::string check_edge_arg(const CALL_ARGS& args, const GRAPH_DATA& graph, int32_t i, int32_t* id, int32_t* target);

// Argument i names an existing node (int) or an existing edge (any2); the
// value cell of that node or edge goes to *cell.
std::string check_node_or_edge_arg(const CALL_ARGS& args, GRAPH_DATA& graph, int32_t i, UNION_DATA** cell);

// One node or edge argument: a node index (second = -1) or an edge address.
struct GRAPH_ITEM {
    bool is_edge = false;
    int32_t first = 0;    // node index, or edge id
    int32_t second = -1;  // edge target
};

// Argument i is an int or an any2 of two ints (not empty). With strict the
// node or the edge must exist; without it the int is a node position
// 0..node count and the any2 an address that check_edge_arg accepts.
std::string check_graph_item_arg(const CALL_ARGS& args, const GRAPH_DATA& graph, int32_t i, bool strict,
                                 GRAPH_ITEM* out);

// One insertion of ins, in terms of the graph at the moment it is made:
// a node at `position`, or an edge from `source` to `target` with the
// parallel index `parallel`.
struct GRAPH_INSERTION {
    bool is_edge = false;
    int position = 0;
    int source = 0;
    int target = 0;
    int parallel = 0;
};

// The arguments are pairs (position or edge address, value). Every item is
// checked (check_graph_item_arg without strict) before anything is written;
// the items name places of the graph before the call, and each is moved on
// by the node insertions of the earlier pairs, so that the insertions can be
// made one after another in argument order.
std::string check_graph_item_args(const CALL_ARGS& args, const GRAPH_DATA& graph, std::vector<GRAPH_INSERTION>& out);

// Clears every deletion mark of the graph, then checks and marks the
// arguments in order: each an existing node (marked with all its edges) or
// an existing edge. A node or an edge met a second time, directly or
// through an end node, is refused; what was marked stays marked.
std::string check_graph_deletions(const CALL_ARGS& args, GRAPH_DATA& graph);

// Argument i is a defined char holding '*', '-' or '+', written to *out.
std::string check_direction_arg(const CALL_ARGS& args, int32_t i, char* out);

// A bool argument selects unless it holds false: an empty bool, or one
// without any value, counts as true.
bool bool_arg_selects(const CALL_ARGS& args, int32_t i);

// The address (id, target) of an edge in its graph; the id may exceed an
// int when the parallel index is large.
int64_t edge_id(const GRAPH_DATA& graph, const GRAPH_EDGE* edge);

}  // namespace morvu
