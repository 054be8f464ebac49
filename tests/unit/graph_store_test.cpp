#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "numbers/int_data.h"
#include "test_support.h"
#include "values/assign_rules.h"
#include "values/graph_store.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::int_cell;
using test::int_of;

// Graphs that are compared live in cells: equality is asked as the value
// layer asks it, which also clears the marks that a comparison leaves.
std::unique_ptr<UNION_DATA> graph_cell() { return std::make_unique<UNION_DATA>('g'); }

bool same(UNION_DATA* a, UNION_DATA* b) { return is_equal_value(a, b, true); }

void append_ints(GRAPH_DATA& graph, int count, int first = 0) {
    for (int i = 0; i < count; ++i) {
        auto value = int_cell(first + i);
        ASSERT_EQ(graph.append_node(value.get(), 0), nullptr);
    }
}

const char* add(GRAPH_DATA& graph, int id, int target, int value) {
    auto cell = int_cell(value);
    return graph.add_edge(id, target, cell.get(), 0);
}

int node_int(GRAPH_DATA& graph, int i) {
    const char* message = nullptr;
    return int_of(graph.node_value(i, false, message));
}

int edge_int(GRAPH_DATA& graph, int id, int target) {
    const char* message = nullptr;
    return int_of(graph.edge_value(id, target, message));
}

// The edge values along the graph-wide list.
std::vector<int> list_values(const GRAPH_DATA& graph) {
    std::vector<int> values;
    for (GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next)
        values.push_back(int_of(&edge->value));
    return values;
}

// A node's chain as (edge value, is_out) pairs.
std::vector<std::pair<int, int>> chain_of(const GRAPH_NODE* node) {
    std::vector<std::pair<int, int>> entries;
    for (INCIDENCE_ENTRY entry = first_entry(node); entry.edge != nullptr; entry = next_entry(entry))
        entries.emplace_back(int_of(&entry.edge->value), entry.is_out);
    return entries;
}

// Every invariant of the records: positions, list links, chain membership
// (each edge once outgoing at its source and once incoming at its target),
// and parallel indexes 0 to k - 1 in every pair.
void expect_consistent(const GRAPH_DATA& graph) {
    ASSERT_LE(graph.node_count, graph.capacity);
    ASSERT_EQ(static_cast<int>(graph.nodes.size()), graph.capacity);
    for (int i = 0; i < graph.capacity; ++i) {
        if (i < graph.node_count) {
            ASSERT_NE(graph.nodes[i], nullptr);
            EXPECT_EQ(graph.nodes[i]->index, i);
        } else {
            EXPECT_EQ(graph.nodes[i], nullptr);
        }
    }
    int length = 0;
    GRAPH_EDGE* previous = nullptr;
    std::map<const GRAPH_EDGE*, int> out_seen, in_seen;
    std::map<std::pair<int, int>, std::vector<int>> pairs;
    for (GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next) {
        EXPECT_EQ(edge->prev, previous);
        previous = edge;
        ++length;
        out_seen[edge] = 0;
        in_seen[edge] = 0;
        pairs[{edge->source->index, edge->target->index}].push_back(edge->parallel_index);
    }
    EXPECT_EQ(graph.last_edge, previous);
    EXPECT_EQ(length, graph.edge_count);
    int entries = 0;
    for (int i = 0; i < graph.node_count; ++i) {
        const GRAPH_NODE* node = graph.nodes[i];
        for (INCIDENCE_ENTRY entry = first_entry(node); entry.edge != nullptr; entry = next_entry(entry)) {
            ASSERT_TRUE(out_seen.count(entry.edge)) << "chain holds an edge not in the list";
            if (entry.is_out) {
                EXPECT_EQ(entry.edge->source, node);
                ++out_seen[entry.edge];
            } else {
                EXPECT_EQ(entry.edge->target, node);
                ++in_seen[entry.edge];
            }
            ASSERT_LE(++entries, 2 * graph.edge_count);
        }
    }
    for (auto& [edge, times] : out_seen) EXPECT_EQ(times, 1);
    for (auto& [edge, times] : in_seen) EXPECT_EQ(times, 1);
    for (auto& [pair, indexes] : pairs) {
        std::sort(indexes.begin(), indexes.end());
        for (size_t k = 0; k < indexes.size(); ++k) EXPECT_EQ(indexes[k], static_cast<int>(k));
    }
}

// ---- addresses and look-ups ----

TEST(GraphStore, AddressesFollowTheNodeCount) {
    GRAPH_DATA graph;
    append_ints(graph, 3);
    ASSERT_EQ(add(graph, 0, 2, 10), nullptr);
    ASSERT_EQ(add(graph, 3, 2, 11), nullptr);  // parallel index 1
    EXPECT_EQ(edge_int(graph, 0, 2), 10);
    EXPECT_EQ(edge_int(graph, 3, 2), 11);
    append_ints(graph, 1, 3);
    EXPECT_EQ(edge_int(graph, 0, 2), 10);
    EXPECT_EQ(edge_int(graph, 4, 2), 11);
    EXPECT_EQ(graph.find_edge(3, 2), nullptr);
    EXPECT_EQ(graph.find_edge(0, 4), nullptr);  // target = node_count
    EXPECT_EQ(graph.find_edge(-4, 2), nullptr);
    EXPECT_EQ(graph.find_edge(0, -1), nullptr);

    const char* message = nullptr;
    EXPECT_EQ(graph.edge_value(5, 1, message), nullptr);
    EXPECT_STREQ(message, "Edge '5->1' does not exist");
    EXPECT_EQ(graph.node_value(-1, true, message), nullptr);
    EXPECT_STREQ(message, "Node '-1' does not exist");
    EXPECT_EQ(graph.node_value(-1, false, message), nullptr);
    EXPECT_EQ(graph.node_value(4, false, message), nullptr);
    EXPECT_STREQ(message, "Node '4' does not exist");
    EXPECT_EQ(int_of(graph.node_value(3, true, message)), 3);
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(int_of(graph.first_node_value()), 0);
    EXPECT_EQ(int_of(graph.last_node_value()), 3);
    // The cell handed out is the edge itself.
    GRAPH_EDGE* edge = graph.find_edge(4, 2);
    EXPECT_EQ(edge_of_value(graph.edge_value(4, 2, message)), edge);

    GRAPH_DATA empty;
    EXPECT_EQ(empty.find_edge(0, 0), nullptr);
    EXPECT_EQ(empty.edge_value(0, 0, message), nullptr);
    EXPECT_STREQ(message, "Edge '0->0' does not exist");
}

TEST(GraphStore, ParallelIndexRule) {
    GRAPH_DATA graph;
    append_ints(graph, 2);
    for (int value : {1, 2, 3}) ASSERT_EQ(add(graph, 0, 1, value), nullptr);
    // Each new edge at index 0 pushed the earlier ones up.
    std::vector<int> indexes;
    for (GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next)
        indexes.push_back(edge->parallel_index);
    EXPECT_EQ(indexes, (std::vector<int>{2, 1, 0}));
    const char* message = add(graph, 8, 1, 4);
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(message, "Index '4' (= 8/2) of parallel edge must be smaller or equal than 3");
    EXPECT_EQ(graph.edge_count, 3);
    expect_consistent(graph);

    GRAPH_DATA other;
    append_ints(other, 3);
    ASSERT_EQ(add(other, 1, 2, 10), nullptr);  // 1->2, index 0
    ASSERT_EQ(add(other, 4, 2, 11), nullptr);  // index 1
    ASSERT_EQ(add(other, 7, 2, 12), nullptr);  // 2 x 3 + 1: appended as index 2
    EXPECT_EQ(edge_int(other, 7, 2), 12);
    ASSERT_EQ(add(other, 1, 2, 13), nullptr);  // index 0: the others move up
    EXPECT_EQ(edge_int(other, 1, 2), 13);
    EXPECT_EQ(edge_int(other, 4, 2), 10);
    EXPECT_EQ(edge_int(other, 7, 2), 11);
    EXPECT_EQ(edge_int(other, 10, 2), 12);
    // A pair with no edge takes only index 0.
    EXPECT_NE(add(other, 3, 0, 14), nullptr);
    EXPECT_EQ(other.edge_count, 4);
    expect_consistent(other);
}

TEST(GraphStore, LoopsDegreesAndCounts) {
    GRAPH_DATA graph;
    append_ints(graph, 3);
    ASSERT_EQ(add(graph, 1, 1, 7), nullptr);
    EXPECT_EQ(chain_of(graph.nodes[1]), (std::vector<std::pair<int, int>>{{7, 0}, {7, 1}}));
    EXPECT_EQ(graph.degree(1, '*'), 2);
    EXPECT_EQ(graph.degree(1, '-'), 1);
    EXPECT_EQ(graph.degree(1, '+'), 1);
    EXPECT_EQ(graph.degree(1, 'x'), 0);
    EXPECT_EQ(graph.count_edges_between(1, 1, '*'), 2);
    EXPECT_EQ(graph.count_edges_between(1, 1, '+'), 1);
    ASSERT_EQ(add(graph, 0, 1, 8), nullptr);
    ASSERT_EQ(add(graph, 1, 0, 9), nullptr);
    ASSERT_EQ(add(graph, 4, 0, 10), nullptr);  // 1->0 at parallel index 1
    EXPECT_EQ(graph.count_edges_between(1, 0, '+'), 2);
    EXPECT_EQ(graph.count_edges_between(1, 0, '-'), 1);
    EXPECT_EQ(graph.count_edges_between(1, 0, '*'), 3);
    EXPECT_EQ(graph.count_edges_between(0, 1, '+'), 1);
    EXPECT_EQ(graph.count_edges_between(1, 2, '*'), 0);
    EXPECT_EQ(graph.degree(1, '*'), 5);
    // New edges enter the chains at the front: newest first.
    EXPECT_EQ(chain_of(graph.nodes[0]), (std::vector<std::pair<int, int>>{{10, 0}, {9, 0}, {8, 1}}));
    expect_consistent(graph);
}

// ---- nodes ----

TEST(GraphStore, NodeInsertionRenumbers) {
    GRAPH_DATA graph;
    append_ints(graph, 64);
    EXPECT_EQ(graph.capacity, 64);
    ASSERT_EQ(add(graph, 63, 0, 500), nullptr);
    auto value = int_cell(-1);
    ASSERT_EQ(graph.insert_node(0, value.get(), 0), nullptr);
    EXPECT_EQ(graph.capacity, 128);
    EXPECT_EQ(graph.node_count, 65);
    for (int i = 0; i < 65; ++i) EXPECT_EQ(node_int(graph, i), i - 1);
    EXPECT_EQ(edge_int(graph, 64, 1), 500);  // the old 63->0 is now 64->1
    auto front = int_cell(-2), middle = int_cell(-3), back = int_cell(-4);
    ASSERT_EQ(graph.prepend_node(front.get(), 0), nullptr);
    ASSERT_EQ(graph.insert_node(33, middle.get(), 0), nullptr);
    ASSERT_EQ(graph.insert_node(graph.node_count, back.get(), 0), nullptr);
    EXPECT_EQ(node_int(graph, 0), -2);
    EXPECT_EQ(node_int(graph, 1), -1);
    EXPECT_EQ(node_int(graph, 33), -3);
    EXPECT_EQ(node_int(graph, 34), 31);
    EXPECT_EQ(node_int(graph, graph.node_count - 1), -4);
    expect_consistent(graph);
}

TEST(GraphStore, NodeDeletionTakesItsEdges) {
    GRAPH_DATA graph;
    append_ints(graph, 4);
    ASSERT_EQ(add(graph, 1, 1, 10), nullptr);  // loop at 1
    ASSERT_EQ(add(graph, 0, 1, 11), nullptr);
    ASSERT_EQ(add(graph, 1, 3, 12), nullptr);
    ASSERT_EQ(add(graph, 2, 3, 13), nullptr);
    graph.delete_node(1);
    EXPECT_EQ(graph.edge_count, 1);
    EXPECT_EQ(graph.node_count, 3);
    EXPECT_EQ(node_int(graph, 1), 2);
    EXPECT_EQ(edge_int(graph, 1, 2), 13);  // 2->3 is now 1->2
    expect_consistent(graph);
    graph.delete_node(7);
    graph.delete_node(-1);
    EXPECT_EQ(graph.node_count, 3);

    GRAPH_DATA pair;
    append_ints(pair, 2);
    ASSERT_EQ(add(pair, 0, 1, 20), nullptr);
    pair.delete_first_node();
    EXPECT_EQ(pair.edge_count, 0);
    EXPECT_EQ(node_int(pair, 0), 1);
    EXPECT_EQ(pair.nodes[0]->first_incident, nullptr);
    pair.delete_last_node();
    EXPECT_EQ(pair.node_count, 0);
    expect_consistent(pair);
}

TEST(GraphStore, NodeDeletionRenumbersParallelIds) {
    GRAPH_DATA graph;
    append_ints(graph, 3);
    ASSERT_EQ(add(graph, 2, 0, 30), nullptr);
    ASSERT_EQ(add(graph, 5, 0, 31), nullptr);  // parallel index 1
    graph.delete_node(1);
    // The same record, now addressed with the smaller node count.
    EXPECT_EQ(edge_int(graph, 1, 0), 30);
    EXPECT_EQ(edge_int(graph, 3, 0), 31);
    expect_consistent(graph);
}

// ---- edges ----

TEST(GraphStore, EdgeDeletionClosesTheGap) {
    GRAPH_DATA graph;
    append_ints(graph, 2);
    for (int value : {3, 2, 1}) ASSERT_EQ(add(graph, 0, 1, value), nullptr);
    EXPECT_EQ(edge_int(graph, 2, 1), 2);  // the middle one
    graph.delete_edge_at(2, 1);
    EXPECT_EQ(graph.edge_count, 2);
    EXPECT_EQ(edge_int(graph, 0, 1), 1);
    EXPECT_EQ(edge_int(graph, 2, 1), 3);
    graph.delete_edge_at(4, 1);  // none there
    EXPECT_EQ(graph.edge_count, 2);
    expect_consistent(graph);
}

TEST(GraphStore, DeleteMarkedTakesEachItemOnce) {
    GRAPH_DATA graph;
    append_ints(graph, 5);
    ASSERT_EQ(add(graph, 3, 1, 31), nullptr);
    ASSERT_EQ(add(graph, 0, 4, 4), nullptr);
    ASSERT_EQ(add(graph, 2, 2, 22), nullptr);
    ASSERT_EQ(add(graph, 3, 3, 33), nullptr);
    graph.clear_marks();
    graph.nodes[3]->mark = 1;
    graph.find_edge(3, 1)->mark = 1;  // incident to node 3 as well
    graph.find_edge(2, 2)->mark = 1;
    graph.nodes[0]->mark = 1;
    graph.delete_marked();
    EXPECT_EQ(graph.node_count, 3);
    EXPECT_EQ(graph.edge_count, 0);
    EXPECT_EQ(node_int(graph, 0), 1);
    EXPECT_EQ(node_int(graph, 1), 2);
    EXPECT_EQ(node_int(graph, 2), 4);
    expect_consistent(graph);
}

TEST(GraphStore, MovingEdges) {
    GRAPH_DATA graph;
    append_ints(graph, 3);
    ASSERT_EQ(add(graph, 0, 1, 1), nullptr);
    ASSERT_EQ(add(graph, 3, 1, 2), nullptr);  // 0->1 index 1
    ASSERT_EQ(add(graph, 2, 0, 3), nullptr);
    GRAPH_EDGE* edge = graph.find_edge(2, 0);
    EXPECT_EQ(graph.move_edge(edge, 2, 0), nullptr);  // its own address
    EXPECT_EQ(edge_int(graph, 2, 0), 3);
    const char* message = graph.move_edge(edge, 9, 1);  // 0->1 at index 3
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(message, "Index '3' (= 9/3) of parallel edge must be smaller or equal than 2");
    EXPECT_EQ(edge_int(graph, 2, 0), 3);
    ASSERT_EQ(graph.move_edge(edge, 3, 1), nullptr);  // 0->1 at index 1
    EXPECT_EQ(edge_int(graph, 0, 1), 1);
    EXPECT_EQ(edge_int(graph, 3, 1), 3);
    EXPECT_EQ(edge_int(graph, 6, 1), 2);
    EXPECT_EQ(graph.find_edge(2, 0), nullptr);
    EXPECT_EQ(list_values(graph), (std::vector<int>{1, 2, 3}));  // its place in the list stays
    expect_consistent(graph);
    // Within the pair, then to a loop, then away again.
    ASSERT_EQ(graph.move_edge(edge, 0, 1), nullptr);
    EXPECT_EQ(edge_int(graph, 0, 1), 3);
    EXPECT_EQ(edge_int(graph, 3, 1), 1);
    ASSERT_EQ(graph.move_edge(edge, 1, 1), nullptr);
    EXPECT_EQ(graph.degree(1, '*'), 4);
    EXPECT_EQ(edge_int(graph, 0, 1), 1);
    EXPECT_EQ(edge_int(graph, 3, 1), 2);
    ASSERT_EQ(graph.move_edge(edge, 1, 2), nullptr);
    EXPECT_EQ(graph.degree(1, '*'), 3);
    EXPECT_EQ(graph.degree(2, '-'), 1);
    expect_consistent(graph);
}

// Random edits checked against a plain model of the multigraph: nodes as
// values, edges as (source value, target value, parallel index, value).
TEST(GraphStore, RandomEditsKeepEveryInvariant) {
    struct MODEL_EDGE {
        int source, target, parallel, value;
    };
    std::mt19937 random(42);
    GRAPH_DATA graph;
    std::vector<int> model_nodes;
    std::vector<MODEL_EDGE> model_edges;
    int next_value = 0;
    auto position = [&](int node_value) {
        return static_cast<int>(std::find(model_nodes.begin(), model_nodes.end(), node_value) - model_nodes.begin());
    };
    auto pair_indexes = [&](int s, int t, const MODEL_EDGE* skip) {
        std::vector<MODEL_EDGE*> found;
        for (auto& e : model_edges)
            if (&e != skip && e.source == s && e.target == t) found.push_back(&e);
        return found;
    };
    for (int step = 0; step < 3000; ++step) {
        int n = static_cast<int>(model_nodes.size());
        int choice = static_cast<int>(random() % 10);
        if (n < 2 || choice == 0) {
            int p = static_cast<int>(random() % (n + 1));
            auto cell = int_cell(++next_value);
            ASSERT_EQ(graph.insert_node(p, cell.get(), 0), nullptr);
            model_nodes.insert(model_nodes.begin() + p, next_value);
        } else if (choice == 1 && n > 3) {
            int i = static_cast<int>(random() % n);
            int gone = model_nodes[i];
            graph.delete_node(i);
            model_nodes.erase(model_nodes.begin() + i);
            std::erase_if(model_edges, [&](const MODEL_EDGE& e) { return e.source == gone || e.target == gone; });
        } else if (choice <= 5) {
            int s = static_cast<int>(random() % n), t = static_cast<int>(random() % n);
            auto pair = pair_indexes(model_nodes[s], model_nodes[t], nullptr);
            int p = static_cast<int>(random() % (pair.size() + 2));
            auto cell = int_cell(++next_value);
            const char* message = graph.add_edge(p * n + s, t, cell.get(), 0);
            if (p > static_cast<int>(pair.size())) {
                ASSERT_NE(message, nullptr);
            } else {
                ASSERT_EQ(message, nullptr);
                for (MODEL_EDGE* e : pair)
                    if (e->parallel >= p) ++e->parallel;
                model_edges.push_back({model_nodes[s], model_nodes[t], p, next_value});
            }
        } else if (choice <= 7 && !model_edges.empty()) {
            size_t k = random() % model_edges.size();
            MODEL_EDGE gone = model_edges[k];
            graph.delete_edge_at(gone.parallel * n + position(gone.source), position(gone.target));
            model_edges.erase(model_edges.begin() + static_cast<long>(k));
            for (MODEL_EDGE* e : pair_indexes(gone.source, gone.target, nullptr))
                if (e->parallel > gone.parallel) --e->parallel;
        } else if (!model_edges.empty()) {
            MODEL_EDGE& moving = model_edges[random() % model_edges.size()];
            GRAPH_EDGE* edge = graph.find_edge(moving.parallel * n + position(moving.source), position(moving.target));
            ASSERT_NE(edge, nullptr);
            int s = static_cast<int>(random() % n), t = static_cast<int>(random() % n);
            auto pair = pair_indexes(model_nodes[s], model_nodes[t], &moving);
            int p = static_cast<int>(random() % (pair.size() + 2));
            const char* message = graph.move_edge(edge, p * n + s, t);
            if (p > static_cast<int>(pair.size())) {
                ASSERT_NE(message, nullptr);
            } else {
                ASSERT_EQ(message, nullptr);
                for (MODEL_EDGE* e : pair_indexes(moving.source, moving.target, &moving))
                    if (e->parallel > moving.parallel) --e->parallel;
                for (MODEL_EDGE* e : pair)
                    if (e->parallel >= p) ++e->parallel;
                moving.source = model_nodes[s];
                moving.target = model_nodes[t];
                moving.parallel = p;
            }
        }
        ASSERT_EQ(graph.node_count, static_cast<int>(model_nodes.size()));
        ASSERT_EQ(graph.edge_count, static_cast<int>(model_edges.size()));
        if (step % 50 == 0) {
            expect_consistent(graph);
            n = graph.node_count;
            for (int i = 0; i < n; ++i) ASSERT_EQ(node_int(graph, i), model_nodes[i]);
            for (const MODEL_EDGE& e : model_edges)
                ASSERT_EQ(edge_int(graph, e.parallel * n + position(e.source), position(e.target)), e.value);
        }
    }
}

// ---- values, copies, equality ----

TEST(GraphStore, SetValuesReportRefusals) {
    GRAPH_DATA graph;
    append_ints(graph, 2);
    ASSERT_EQ(add(graph, 0, 1, 5), nullptr);
    auto nine = int_cell(9);
    EXPECT_EQ(graph.set_node_value(1, nine.get(), 0), nullptr);
    EXPECT_EQ(node_int(graph, 1), 9);
    EXPECT_EQ(graph.nodes[1]->value.scope_variable, 0);
    EXPECT_STREQ(graph.set_node_value(2, nine.get(), 0), "Node '2' does not exist");
    EXPECT_EQ(graph.set_edge_value(0, 1, nine.get(), 0), nullptr);
    EXPECT_EQ(edge_int(graph, 0, 1), 9);
    EXPECT_STREQ(graph.set_edge_value(2, 1, nine.get(), 0), "Edge '2->1' does not exist");
    // A refusal of the assignment rules comes back too.
    EXPECT_STREQ(graph.set_node_value(0, &graph.nodes[0]->value, 2), "Self-movement not allowed");
    EXPECT_STREQ(graph.set_edge_value(0, 1, &graph.first_edge->value, 2), "Self-movement not allowed");
    // An alias into a node needs the variable flag only for the moment.
    EXPECT_EQ(graph.set_node_value(0, nine.get(), 3), nullptr);
    EXPECT_TRUE(is_link_cell(&graph.nodes[0]->value));
    EXPECT_EQ(graph.nodes[0]->value.scope_variable, 0);
    graph.clear();  // dissolves the alias before nine goes
}

TEST(GraphStore, CopyEqualsItsSource) {
    auto source = graph_cell(), target = graph_cell();
    GRAPH_DATA& graph = *source->graph_data();
    GRAPH_DATA& copy = *target->graph_data();
    append_ints(graph, 3);
    ASSERT_EQ(add(graph, 0, 1, 1), nullptr);  // will be index 1
    ASSERT_EQ(add(graph, 0, 1, 2), nullptr);  // index 0
    ASSERT_EQ(add(graph, 3, 1, 3), nullptr);  // 0->1 index 1; the first moves to 2
    ASSERT_EQ(add(graph, 2, 2, 4), nullptr);
    ASSERT_EQ(add(graph, 1, 0, 5), nullptr);
    EXPECT_EQ(copy.assign(graph), nullptr);
    EXPECT_TRUE(same(target.get(), source.get()));
    EXPECT_TRUE(same(source.get(), target.get()));
    EXPECT_EQ(list_values(copy), list_values(graph));
    for (int id : {0, 3, 6}) EXPECT_EQ(edge_int(copy, id, 1), edge_int(graph, id, 1));
    EXPECT_NE(copy.first_edge, graph.first_edge);
    EXPECT_NE(&copy.nodes[0]->value, &graph.nodes[0]->value);
    expect_consistent(copy);
    // A different value breaks equality.
    auto other = int_cell(99);
    EXPECT_EQ(copy.set_edge_value(6, 1, other.get(), 0), nullptr);
    EXPECT_FALSE(same(target.get(), source.get()));
    // Assigning onto itself, and onto a non-empty graph.
    EXPECT_EQ(copy.assign(copy), nullptr);
    EXPECT_EQ(copy.edge_count, 5);
    EXPECT_EQ(copy.assign(graph), nullptr);
    EXPECT_TRUE(same(target.get(), source.get()));
    // The copy of a whole value goes through the same assignment.
    auto third = std::make_unique<UNION_DATA>('g');
    EXPECT_EQ(assign_by_mode(third.get(), source.get(), 0), nullptr);
    EXPECT_TRUE(same(third.get(), source.get()));
}

TEST(GraphStore, EqualityIgnoresListOrderButNotAddresses) {
    auto first = graph_cell(), second = graph_cell(), third = graph_cell();
    GRAPH_DATA& a = *first->graph_data();
    GRAPH_DATA& b = *second->graph_data();
    append_ints(a, 2);
    append_ints(b, 2);
    ASSERT_EQ(add(a, 0, 1, 1), nullptr);
    ASSERT_EQ(add(a, 1, 0, 2), nullptr);
    ASSERT_EQ(add(b, 1, 0, 2), nullptr);
    ASSERT_EQ(add(b, 0, 1, 1), nullptr);
    EXPECT_TRUE(same(first.get(), second.get()));
    ASSERT_EQ(add(a, 2, 1, 3), nullptr);
    ASSERT_EQ(add(b, 0, 1, 3), nullptr);  // same pair, other index
    EXPECT_FALSE(same(first.get(), second.get()));
    append_ints(*third->graph_data(), 3);
    EXPECT_FALSE(same(first.get(), third.get()));
}

TEST(GraphStore, ClearKeepsTheSlotArray) {
    GRAPH_DATA graph;
    append_ints(graph, 70);
    ASSERT_EQ(add(graph, 5, 6, 1), nullptr);
    EXPECT_EQ(graph.capacity, 128);
    graph.clear();
    EXPECT_EQ(graph.node_count, 0);
    EXPECT_EQ(graph.edge_count, 0);
    EXPECT_EQ(graph.first_edge, nullptr);
    EXPECT_EQ(graph.capacity, 128);
    append_ints(graph, 2);
    EXPECT_EQ(graph.capacity, 128);
    graph.grow_nodes(1);  // never below node_count
    EXPECT_EQ(graph.capacity, 2);
    expect_consistent(graph);
}

// ---- order and sub-graphs ----

TEST(GraphStore, SortingNodesMovesAddressesWithThem) {
    GRAPH_DATA graph;
    append_ints(graph, 2);
    ASSERT_EQ(add(graph, 0, 1, 7), nullptr);
    GRAPH_EDGE* edge = graph.first_edge;
    GRAPH_NODE* first = graph.nodes[0];
    UNION_DATA* keys[] = {&graph.nodes[0]->value, &graph.nodes[1]->value};
    EXPECT_EQ(graph.sort_nodes(keys, false), nullptr);
    EXPECT_EQ(node_int(graph, 0), 1);
    EXPECT_EQ(graph.nodes[1], first);
    EXPECT_EQ(edge->source, first);  // the same records, now addressed (1, 0)
    EXPECT_EQ(graph.find_edge(1, 0), edge);
    expect_consistent(graph);
}

TEST(GraphStore, SortingNodesWithEqualKeys) {
    // Three equal keys: the partition exchanges the outer two, so the order
    // reverses, in both directions, and the positions are renumbered.
    for (bool ascending : {true, false}) {
        GRAPH_DATA graph;
        append_ints(graph, 3);
        ASSERT_EQ(add(graph, 0, 2, 7), nullptr);
        GRAPH_EDGE* edge = graph.first_edge;
        std::vector<std::unique_ptr<UNION_DATA>> key_cells;
        std::vector<UNION_DATA*> keys;
        for (int i = 0; i < 3; ++i) {
            key_cells.push_back(int_cell(4));
            keys.push_back(key_cells.back().get());
        }
        EXPECT_EQ(graph.sort_nodes(keys.data(), ascending), nullptr);
        EXPECT_EQ(node_int(graph, 0), 2);
        EXPECT_EQ(node_int(graph, 1), 1);
        EXPECT_EQ(node_int(graph, 2), 0);
        EXPECT_EQ(graph.find_edge(2, 0), edge);
        expect_consistent(graph);
    }
}

TEST(GraphStore, SortingEdgesKeepsAddresses) {
    GRAPH_DATA graph;
    append_ints(graph, 2);
    for (int value : {3, 1, 2}) ASSERT_EQ(add(graph, 0, 1, value), nullptr);
    ASSERT_EQ(add(graph, 1, 1, 0), nullptr);
    std::vector<UNION_DATA*> keys;
    for (GRAPH_EDGE* edge = graph.first_edge; edge != nullptr; edge = edge->next) keys.push_back(&edge->value);
    EXPECT_EQ(graph.sort_edges(keys.data(), true), nullptr);
    EXPECT_EQ(list_values(graph), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(edge_int(graph, 0, 1), 2);
    EXPECT_EQ(edge_int(graph, 2, 1), 1);
    EXPECT_EQ(edge_int(graph, 4, 1), 3);
    expect_consistent(graph);
    // Keys that cannot be compared: the message, and the list as it was.
    auto text = std::make_unique<UNION_DATA>('s');
    keys = {&graph.first_edge->value, text.get(), &graph.last_edge->value, &graph.first_edge->next->value};
    EXPECT_STREQ(graph.sort_edges(keys.data(), true), "incompatible types");
    EXPECT_EQ(graph.edge_count, 4);
    EXPECT_EQ(list_values(graph), (std::vector<int>{0, 1, 2, 3}));
    expect_consistent(graph);
}

TEST(GraphStore, SortingAChainPermutesOnlyTheSelectedEntries) {
    GRAPH_DATA graph;
    append_ints(graph, 3);
    ASSERT_EQ(add(graph, 2, 0, 5), nullptr);  // out
    ASSERT_EQ(add(graph, 0, 2, 6), nullptr);  // in
    ASSERT_EQ(add(graph, 2, 1, 4), nullptr);  // out
    ASSERT_EQ(add(graph, 1, 2, 7), nullptr);  // in
    ASSERT_EQ(add(graph, 2, 2, 9), nullptr);  // loop: in, then out
    // Newest first: 9 in, 9 out, 7 in, 4 out, 6 in, 5 out.
    std::vector<std::pair<int, int>> before{{9, 0}, {9, 1}, {7, 0}, {4, 1}, {6, 0}, {5, 1}};
    ASSERT_EQ(chain_of(graph.nodes[2]), before);
    std::vector<UNION_DATA*> keys;
    for (INCIDENCE_ENTRY entry = first_entry(graph.nodes[2]); entry.edge != nullptr; entry = next_entry(entry))
        if (entry.is_out) keys.push_back(&entry.edge->value);
    EXPECT_EQ(graph.sort_incidence(keys.data(), true, 2, '+'), nullptr);
    std::vector<std::pair<int, int>> after{{9, 0}, {4, 1}, {7, 0}, {5, 1}, {6, 0}, {9, 1}};
    EXPECT_EQ(chain_of(graph.nodes[2]), after);
    // The chains at the other ends are untouched.
    EXPECT_EQ(chain_of(graph.nodes[0]), (std::vector<std::pair<int, int>>{{6, 1}, {5, 0}}));
    EXPECT_EQ(graph.degree(2, '*'), 6);
    expect_consistent(graph);
    keys.clear();
    for (INCIDENCE_ENTRY entry = first_entry(graph.nodes[2]); entry.edge != nullptr; entry = next_entry(entry))
        keys.push_back(&entry.edge->value);
    EXPECT_EQ(graph.sort_incidence(keys.data(), false, 2, '*'), nullptr);
    EXPECT_EQ(chain_of(graph.nodes[2]).front().first, 9);
    EXPECT_EQ(chain_of(graph.nodes[2]).back().first, 4);
    expect_consistent(graph);
}

TEST(GraphStore, Reversals) {
    GRAPH_DATA graph;
    append_ints(graph, 5);
    ASSERT_EQ(add(graph, 0, 1, 1), nullptr);
    ASSERT_EQ(add(graph, 0, 2, 2), nullptr);
    ASSERT_EQ(add(graph, 3, 0, 3), nullptr);
    ASSERT_EQ(add(graph, 0, 1, 4), nullptr);
    graph.reverse_nodes();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(node_int(graph, i), 4 - i);
    EXPECT_EQ(edge_int(graph, 4, 3), 4);  // 0->1 index 0 became 4->3
    EXPECT_EQ(edge_int(graph, 9, 3), 1);
    graph.reverse_nodes();

    graph.reverse_edges();
    EXPECT_EQ(list_values(graph), (std::vector<int>{4, 3, 2, 1}));
    EXPECT_EQ(edge_int(graph, 5, 1), 1);  // addresses and indexes unchanged
    graph.reverse_edges();
    expect_consistent(graph);

    auto chain0 = chain_of(graph.nodes[0]);
    auto chain1 = chain_of(graph.nodes[1]);
    graph.reverse_incidence(graph.nodes[0]);
    auto reversed = chain_of(graph.nodes[0]);
    EXPECT_EQ(reversed, (std::vector<std::pair<int, int>>(chain0.rbegin(), chain0.rend())));
    EXPECT_EQ(chain_of(graph.nodes[1]), chain1);
    expect_consistent(graph);
    graph.reverse_incidence(graph.nodes[0]);
    EXPECT_EQ(chain_of(graph.nodes[0]), chain0);
}

TEST(GraphStore, SubgraphOfListedNodes) {
    GRAPH_DATA graph;
    append_ints(graph, 3);
    ASSERT_EQ(add(graph, 0, 2, 1), nullptr);
    ASSERT_EQ(add(graph, 2, 0, 2), nullptr);
    ASSERT_EQ(add(graph, 0, 1, 3), nullptr);
    GRAPH_DATA sub;
    const int listed[] = {2, 0};
    EXPECT_EQ(GRAPH_DATA::subgraph(graph, 2, listed, 0, nullptr, nullptr, sub), nullptr);
    EXPECT_EQ(sub.node_count, 2);
    EXPECT_EQ(node_int(sub, 0), 0);
    EXPECT_EQ(node_int(sub, 1), 2);
    EXPECT_EQ(list_values(sub), (std::vector<int>{1, 2}));
    EXPECT_EQ(edge_int(sub, 0, 1), 1);
    EXPECT_EQ(edge_int(sub, 1, 0), 2);
    expect_consistent(sub);
}

TEST(GraphStore, SubgraphOfListedEdges) {
    GRAPH_DATA graph;
    append_ints(graph, 4);
    ASSERT_EQ(add(graph, 1, 3, 13), nullptr);
    ASSERT_EQ(add(graph, 3, 1, 31), nullptr);  // between the same nodes, not listed
    ASSERT_EQ(add(graph, 0, 1, 1), nullptr);
    GRAPH_DATA sub;
    const int ids[] = {1}, targets[] = {3};
    EXPECT_EQ(GRAPH_DATA::subgraph(graph, 0, nullptr, 1, ids, targets, sub), nullptr);
    EXPECT_EQ(sub.node_count, 2);
    EXPECT_EQ(node_int(sub, 0), 1);
    EXPECT_EQ(node_int(sub, 1), 3);
    EXPECT_EQ(list_values(sub), (std::vector<int>{13}));
    EXPECT_EQ(edge_int(sub, 0, 1), 13);
}

TEST(GraphStore, SubgraphKeepsTheOrderWithinPairs) {
    auto source = graph_cell(), whole = graph_cell();
    GRAPH_DATA& graph = *source->graph_data();
    append_ints(graph, 3);
    for (int value : {1, 2, 3, 4}) ASSERT_EQ(add(graph, 0, 1, value), nullptr);  // indexes 3 2 1 0
    ASSERT_EQ(add(graph, 1, 1, 5), nullptr);
    ASSERT_EQ(add(graph, 4, 1, 6), nullptr);  // second loop at 1, index 1
    // Everything selected: the sub-graph is the graph.
    GRAPH_DATA& all = *whole->graph_data();
    const int every[] = {0, 1, 2};
    EXPECT_EQ(GRAPH_DATA::subgraph(graph, 3, every, 0, nullptr, nullptr, all), nullptr);
    EXPECT_TRUE(same(whole.get(), source.get()));
    EXPECT_EQ(list_values(all), list_values(graph));
    // The edges at parallel indexes 3 and 1 become 1 and 0.
    GRAPH_DATA some;
    const int ids[] = {9, 3}, targets[] = {1, 1};
    EXPECT_EQ(GRAPH_DATA::subgraph(graph, 0, nullptr, 2, ids, targets, some), nullptr);
    EXPECT_EQ(some.edge_count, 2);
    EXPECT_EQ(edge_int(some, 0, 1), 3);
    EXPECT_EQ(edge_int(some, 2, 1), 1);
    EXPECT_EQ(list_values(some), (std::vector<int>{1, 3}));
    expect_consistent(some);
}

TEST(GraphStore, IterationRefusesStructureChanges) {
    GRAPH_DATA graph;
    EXPECT_EQ(graph.check_not_iterating(), nullptr);
    graph.iterations = 2;
    EXPECT_STREQ(graph.check_not_iterating(), "infeasible during iteration");
    graph.iterations = 0;
    EXPECT_EQ(graph.check_not_iterating(), nullptr);
}

}  // namespace
}  // namespace morvu
