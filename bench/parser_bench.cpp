// Parsing a generated program of 100,000 lines, and the whole-tree
// operations on its tree.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "frontend/lexer.h"
#include "runtime/name_list.h"
#include "frontend/token.h"

namespace {

using morvu::NAME_LIST;
using morvu::TOKEN;

NAME_LIST generated_program(int count) {
    NAME_LIST lines;
    for (int i = 0; i < count; ++i) {
        std::string n = std::to_string(i);
        switch (i % 5) {
        case 0: lines.append("x" + n + " = a + b * (c - " + n + ") # note"); break;
        case 1: lines.append("if (x > " + n + ") y = f(x, \"s" + n + "\")"); break;
        case 2: lines.append("list.add(" + n + ", -1.5e2)"); break;
        case 3: lines.append("while (i < 10) { i += 1 }"); break;
        default: lines.append("int v" + n + " = a[" + n + "]"); break;
        }
    }
    return lines;
}

const NAME_LIST& program() {
    static const NAME_LIST lines = generated_program(static_cast<int>(100000));
    return lines;
}

void BM_parse_program(benchmark::State& state) {
    const NAME_LIST& lines = program();
    for (auto _ : state) {
        std::unique_ptr<TOKEN> root = morvu::parse_program("bench.mrv", lines, true);
        benchmark::DoNotOptimize(root.get());
        state.PauseTiming();
        root.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * lines.count());
}
BENCHMARK(BM_parse_program)->Unit(benchmark::kMillisecond);

void BM_copy_and_compare_tree(benchmark::State& state) {
    std::unique_ptr<TOKEN> root = morvu::parse_program("bench.mrv", program(), true);
    for (auto _ : state) {
        TOKEN* copy = nullptr;
        TOKEN::copy_tree(root.get(), copy, nullptr);
        std::unique_ptr<TOKEN> owner(copy);
        benchmark::DoNotOptimize(morvu::trees_equal(root.get(), copy));
    }
}
BENCHMARK(BM_copy_and_compare_tree)->Unit(benchmark::kMillisecond);

void BM_destroy_tree(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TOKEN> root = morvu::parse_program("bench.mrv", program(), true);
        state.ResumeTiming();
        root.reset();
    }
}
BENCHMARK(BM_destroy_tree)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
