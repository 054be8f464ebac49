#include "types/graph_checks.h"

#include <algorithm>
#include <climits>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "values/graph_store.h"

namespace morvu {

namespace {

// A position computed in 64 bits, as a message shows it.
int shown(int64_t number) {
    if (number > INT_MAX) return INT_MAX;
    if (number < INT_MIN) return INT_MIN;
    return static_cast<int>(number);
}

std::string no_node(int64_t index) { return format_string(msg_text("knoexinic"), shown(index)); }

std::string no_edge(int64_t id, int64_t target) {
    return format_string(msg_text("kanexinic"), shown(id), shown(target));
}

std::string edge_twice(const GRAPH_DATA& graph, const GRAPH_EDGE* edge) {
    return format_string(msg_text("mehloekannicerl"), shown(edge_id(graph, edge)), edge->target->index);
}

// The address (id, target) of argument i, which has passed the any2 type
// check, in range for the graph's nodes.
std::string check_address_range(const GRAPH_DATA& graph, int32_t id, int32_t target) {
    if (id < 0) return no_node(id);
    if (target < 0 || target >= graph.node_count) return no_node(target);
    return {};
}

// Counts, among the node positions inserted so far, those at or before a
// position. The positions are those of one call, so the tree is as small as
// the call, whatever the size of the graph.
class INSERTED_NODES {
public:
    explicit INSERTED_NODES(std::vector<int> positions) : points(std::move(positions)) {
        std::sort(points.begin(), points.end());
        points.erase(std::unique(points.begin(), points.end()), points.end());
        tree.assign(points.size() + 1, 0);
    }

    void add(int position) {
        size_t k = static_cast<size_t>(std::lower_bound(points.begin(), points.end(), position) - points.begin()) + 1;
        for (; k < tree.size(); k += k & (~k + 1)) ++tree[k];
    }

    int at_or_before(int position) const {
        size_t k = static_cast<size_t>(std::upper_bound(points.begin(), points.end(), position) - points.begin());
        int total = 0;
        for (; k > 0; k -= k & (~k + 1)) total += tree[k];
        return total;
    }

private:
    std::vector<int> points;
    std::vector<int> tree;
};

}  // namespace

int64_t edge_id(const GRAPH_DATA& graph, const GRAPH_EDGE* edge) {
    return int64_t{edge->parallel_index} * graph.node_count + edge->source->index;
}

std::string check_node_arg(const CALL_ARGS& args, const GRAPH_DATA& graph, int32_t i, bool from_end, int* node) {
    std::string failure = check_arg_type(args, i, tag_int, true);
    if (!failure.empty()) return failure;
    const int64_t index = int_argument(args, i);
    const int64_t position = from_end ? int64_t{graph.node_count} - 1 - index : index;
    if (position < 0 || position >= graph.node_count) return no_node(position);
    *node = static_cast<int>(position);
    return {};
}

std::string check_edge_arg(const CALL_ARGS& args, const GRAPH_DATA& graph, int32_t i, int32_t* id, int32_t* target) {
    std::string failure = check_arg_type(args, i, tag_any2, true);
    if (failure.empty()) failure = check_arg_element_type(args, i, id, target);
    if (failure.empty()) failure = check_address_range(graph, *id, *target);
    return failure;
}

std::string check_node_or_edge_arg(const CALL_ARGS& args, GRAPH_DATA& graph, int32_t i, UNION_DATA** cell) {
    std::string failure = check_arg_type2(args, i, tag_int, tag_any2, true);
    if (!failure.empty()) return failure;
    if (base_type_code(argument_value(args[i].cell)) == tag_int) {
        int node = 0;
        failure = check_node_arg(args, graph, i, false, &node);
        if (failure.empty()) *cell = &graph.nodes[static_cast<size_t>(node)]->value;
        return failure;
    }
    int32_t id = 0;
    int32_t target = 0;
    failure = check_arg_element_type(args, i, &id, &target);
    if (!failure.empty()) return failure;
    GRAPH_EDGE* edge = graph.find_edge(id, target);
    if (edge == nullptr) return no_edge(id, target);
    *cell = &edge->value;
    return {};
}

std::string check_graph_item_arg(const CALL_ARGS& args, const GRAPH_DATA& graph, int32_t i, bool strict,
                                 GRAPH_ITEM* out) {
    std::string failure = check_arg_type2(args, i, tag_int, tag_any2, true);
    if (!failure.empty()) return failure;
    GRAPH_ITEM item;
    if (base_type_code(argument_value(args[i].cell)) == tag_int) {
        item.first = int_argument(args, i);
        const int32_t last = strict ? graph.node_count - 1 : graph.node_count;
        if (item.first < 0 || item.first > last) return no_node(item.first);
    } else {
        item.is_edge = true;
        failure = check_arg_element_type(args, i, &item.first, &item.second);
        if (!failure.empty()) return failure;
        if (strict) {
            if (graph.find_edge(item.first, item.second) == nullptr) return no_edge(item.first, item.second);
        } else {
            failure = check_address_range(graph, item.first, item.second);
            if (!failure.empty()) return failure;
        }
    }
    *out = item;
    return {};
}

std::string check_graph_item_args(const CALL_ARGS& args, const GRAPH_DATA& graph, std::vector<GRAPH_INSERTION>& out) {
    out.clear();
    std::vector<int> node_positions;
    for (int32_t i = 0; i + 1 < args.count(); i += 2) {
        GRAPH_ITEM item;
        std::string failure = check_graph_item_arg(args, graph, i, false, &item);
        if (!failure.empty()) return failure;
        GRAPH_INSERTION insertion;
        insertion.is_edge = item.is_edge;
        if (item.is_edge) {
            // Checked: the graph has a node and the target names one.
            insertion.source = item.first % graph.node_count;
            insertion.parallel = item.first / graph.node_count;
            insertion.target = item.second;
        } else {
            insertion.position = item.first;
            node_positions.push_back(item.first);
        }
        out.push_back(insertion);
    }
    if (node_positions.empty() || out.size() < 2) return {};
    // A node inserted at p moves every later place at or behind p on by one.
    INSERTED_NODES inserted(std::move(node_positions));
    for (GRAPH_INSERTION& insertion : out) {
        if (insertion.is_edge) {
            insertion.source += inserted.at_or_before(insertion.source);
            insertion.target += inserted.at_or_before(insertion.target);
        } else {
            const int written = insertion.position;
            insertion.position += inserted.at_or_before(written);
            inserted.add(written);
        }
    }
    return {};
}

std::string check_graph_deletions(const CALL_ARGS& args, GRAPH_DATA& graph) {
    graph.clear_marks();
    for (int32_t i = 0; i < args.count(); ++i) {
        GRAPH_ITEM item;
        std::string failure = check_graph_item_arg(args, graph, i, true, &item);
        if (!failure.empty()) return failure;
        if (item.is_edge) {
            GRAPH_EDGE* edge = graph.find_edge(item.first, item.second);
            if (edge->mark) return edge_twice(graph, edge);
            edge->mark = 1;
            continue;
        }
        GRAPH_NODE* node = graph.nodes[static_cast<size_t>(item.first)];
        if (node->mark) return format_string(msg_text("mehloeknonicerl"), item.first);
        for (INCIDENCE_ENTRY entry = first_entry(node); entry.edge != nullptr; entry = next_entry(entry))
            if (entry.edge->mark) return edge_twice(graph, entry.edge);
        node->mark = 1;
        for (INCIDENCE_ENTRY entry = first_entry(node); entry.edge != nullptr; entry = next_entry(entry))
            entry.edge->mark = 1;
    }
    return {};
}

std::string check_direction_arg(const CALL_ARGS& args, int32_t i, char* out) {
    std::string failure = check_arg_type(args, i, tag_char, false);
    if (!failure.empty()) return failure;
    const char direction = follow_link(argument_value(args[i].cell))->char_byte();
    if (direction != '*' && direction != '-' && direction != '+') return msg_text("erwricmalminplu");
    *out = direction;
    return {};
}

bool bool_arg_selects(const CALL_ARGS& args, int32_t i) {
    UNION_DATA* value = argument_value(args[i].cell);
    if (value == nullptr) return true;
    value = follow_link(value);
    if (lower_tag(value->tag) != tag_bool || value->payload == nullptr) return true;
    return value->bool_word() != 0;
}

}  // namespace morvu
