// The evaluator's hot path: an arithmetic expression on ints evaluated a
// million times, once on literals only and once on two int variables. Each
// iteration evaluates the parsed tree through its cached handlers into a
// fresh result list, as a statement does; the first evaluation binds the
// handlers before timing starts.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "eval/evaluator.h"
#include "values/result_list.h"
#include "frontend/lexer.h"
#include "runtime/name_list.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "values/union_data.h"

namespace {

using namespace morvu;

constexpr int iterations = 1'000'000;

// The tree of "x = <expression>"; the expression is its right operand.
std::unique_ptr<TOKEN> parse_assignment(const std::string& expression) {
    NAME_LIST lines;
    lines.append("x = " + expression);
    return parse_program("bench.mrv", lines, true);
}

// Links every name node with the given text in the subtree to a declaration.
void link_names(TOKEN* node, const std::string& name, TOKEN* declaration) {
    if (node == nullptr) return;
    if (node->text && *node->text == name && node->op1 == 0) node->declaration = declaration;
    link_names(node->left, name, declaration);
    link_names(node->right, name, declaration);
}

void evaluate_loop(benchmark::State& state, TOKEN* expression) {
    {
        RESULT_LIST warm_up;
        eval_cached(expression, RESULT_ITEM{}, warm_up);
    }
    for (auto _ : state) {
        RESULT_LIST results;
        eval_cached(expression, RESULT_ITEM{}, results);
        benchmark::DoNotOptimize(results.head);
    }
    state.SetItemsProcessed(state.iterations());
}

void int_literals(benchmark::State& state) {
    install_evaluator();
    std::unique_ptr<TOKEN> root = parse_assignment("(17 + 3) * 12 - 40 / 5 + 7");
    evaluate_loop(state, root->right);
}
BENCHMARK(int_literals)->Iterations(iterations)->Unit(benchmark::kNanosecond);

void int_variables(benchmark::State& state) {
    install_evaluator();
    std::unique_ptr<TOKEN> root = parse_assignment("(a + 3) * b - a / 5 + 7");
    TOKEN a_declaration(std::string("a"), nullptr, -1, 1, 1);
    TOKEN b_declaration(std::string("b"), nullptr, -1, 1, 1);
    *push_value_cell(&a_declaration, 'i')->int_data() = INT_DATA(17);
    *push_value_cell(&b_declaration, 'i')->int_data() = INT_DATA(12);
    link_names(root->right, "a", &a_declaration);
    link_names(root->right, "b", &b_declaration);
    evaluate_loop(state, root->right);
    free_value_list(&a_declaration, false);
    free_value_list(&b_declaration, false);
}
BENCHMARK(int_variables)->Iterations(iterations)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
