// The saved text form is written and read in one pass over the value: a
// list of ints and a graph with as many edges as nodes, each at growing
// sizes, so that the fitted complexity shows the time linear in the size.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "values/graph_store.h"
#include "values/list_store.h"
#include "values/saved_text.h"
#include "values/union_data.h"

namespace {

using namespace morvu;

std::unique_ptr<UNION_DATA> int_list(int64_t count) {
    auto list = std::make_unique<UNION_DATA>('l');
    for (int64_t i = 0; i < count; ++i) {
        UNION_DATA number('i');
        *number.int_data() = INT_DATA(static_cast<int>(i * 7 - count));
        list->list_data()->append(&number, 2);
    }
    return list;
}

// Node i holds i; edge i runs from node i to a node spread over the graph.
std::unique_ptr<UNION_DATA> graph_of(int64_t count) {
    auto graph = std::make_unique<UNION_DATA>('g');
    GRAPH_DATA& g = *graph->graph_data();
    for (int64_t i = 0; i < count; ++i) {
        UNION_DATA number('i');
        *number.int_data() = INT_DATA(static_cast<int>(i));
        g.append_node(&number, 2);
    }
    for (int64_t i = 0; i < count; ++i) {
        UNION_DATA number('i');
        *number.int_data() = INT_DATA(static_cast<int>(i));
        g.add_edge(static_cast<int>(i), static_cast<int>((i * 7919 + 1) % count), &number, 2);
    }
    return graph;
}

std::string saved(UNION_DATA* cell) {
    const char* error = nullptr;
    return serialize_value(cell, nullptr, &error);
}

void write_value(benchmark::State& state, UNION_DATA* cell) {
    for (auto _ : state) {
        std::string text = saved(cell);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetComplexityN(state.range(0));
}

void read_value(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        UNION_DATA target('v');
        STR_DATA stream(text);
        const char* error = nullptr;
        read_saved_value(&target, &stream, nullptr, &error);
        benchmark::DoNotOptimize(target.payload);
    }
    state.SetComplexityN(state.range(0));
}

void write_int_list(benchmark::State& state) { write_value(state, int_list(state.range(0)).get()); }
void read_int_list(benchmark::State& state) { read_value(state, saved(int_list(state.range(0)).get())); }
void write_graph(benchmark::State& state) { write_value(state, graph_of(state.range(0)).get()); }
void read_graph(benchmark::State& state) { read_value(state, saved(graph_of(state.range(0)).get())); }

BENCHMARK(write_int_list)
    ->RangeMultiplier(10)
    ->Range(10'000, 1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(read_int_list)
    ->RangeMultiplier(10)
    ->Range(10'000, 1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(write_graph)
    ->RangeMultiplier(10)
    ->Range(1'000, 100'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(read_graph)
    ->RangeMultiplier(10)
    ->Range(1'000, 100'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
