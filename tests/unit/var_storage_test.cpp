// The cells of declared variables: one per activation, pushed and popped by
// blocks, objects copied from their type's prototype.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "frontend/analysis.h"
#include "frontend/name_resolution.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "frontend/type_services.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "test_support.h"
#include "tree_printer.h"
#include "values/array_store.h"
#include "values/payload_records.h"

namespace morvu {
namespace {

// A parsed program with fresh scopes and registered types. Every name
// declared by a statement of the outermost list is entered in the root's
// tables (in statement order), and the type words are linked.
struct PROGRAM {
    std::unique_ptr<TOKEN> root;
    TOKEN_LIST tokens;

    explicit PROGRAM(const std::string& source) : root(test::parse_source(source)) {
        test::register_types(root.get(), tokens);
        for (TOKEN* statement : split_by_operator(root.get(), ';')) {
            if (statement->op1 != ' ' || is_word(statement->left, "bigtype")) continue;
            for (TOKEN* name : split_by_operator(statement->right, ',')) {
                enter_token(root->scope->variables, *name->text, name);
                enter_token(root->scope->storage, *name->text, name);
                name->declaration = name;
            }
        }
        operator_name_pass(tokens);
    }

    TOKEN* declared(const std::string& text) const { return table_token(root->scope->variables, text); }
    UNION_DATA* cell(const std::string& text) const { return top_cell(declared(text)); }
};

using test::int_of;

TEST(VarStorage, EachActivationGetsFreshCells) {
    PROGRAM program("int a\nstr s\nany v\ndate d");
    push_scope_variables(program.root.get());
    UNION_DATA* outer_a = program.cell("a");
    ASSERT_NE(outer_a, nullptr);
    EXPECT_EQ(outer_a->tag, 'i');
    EXPECT_EQ(program.cell("s")->tag, 's');
    EXPECT_EQ(program.cell("v")->tag, 'v');
    EXPECT_EQ(program.cell("d")->tag, '0');
    EXPECT_EQ(outer_a->scope_variable, 1);
    *outer_a->int_data() = INT_DATA(41);

    // A recursive activation sees new cells and leaves the caller's intact.
    push_scope_variables(program.root.get());
    UNION_DATA* inner_a = program.cell("a");
    EXPECT_NE(inner_a, outer_a);
    *inner_a->int_data() = INT_DATA(7);
    pop_scope_variables(program.root.get());
    EXPECT_EQ(program.cell("a"), outer_a);
    EXPECT_EQ(int_of(outer_a), 41);
    // A name node reaches its declaration's current cell.
    TOKEN use("a", nullptr, -1, 1, 1);
    use.declaration = program.declared("a");
    EXPECT_EQ(variable_cell(&use), outer_a);

    pop_scope_variables(program.root.get());
    EXPECT_EQ(program.cell("a"), nullptr);
    EXPECT_EQ(variable_cell(&use), nullptr);
}

TEST(VarStorage, ManyVariablesPopOneCellEach) {
    std::string source;
    for (int i = 0; i < 20; ++i) source += "int v" + std::to_string(i) + "\n";
    PROGRAM program(source + "int last");
    push_scope_variables(program.root.get());
    push_scope_variables(program.root.get());
    pop_scope_variables(program.root.get());
    for (int i = 0; i < 20; ++i) {
        TOKEN* node = program.declared("v" + std::to_string(i));
        ASSERT_NE(node->value_stack, nullptr);
        EXPECT_EQ(node->value_stack->below, nullptr);
    }
    // The rest is freed with the tree.
}

TEST(VarStorage, UnallocableTypeLeavesNoCellsBehind) {
    for (const char* word : {"proc", "func"}) {
        PROGRAM program(std::string("int a\nint b\n") + word + " bad\nint c");
        ERROR error("", 0, "<no error>", 0);
        try {
            push_scope_variables(program.root.get());
        } catch (const ERROR& raised) {
            error = raised;
        }
        EXPECT_EQ(error.message, std::string("Type '") + word + "' not allocable");
        EXPECT_EQ(error.kind, 's');
        EXPECT_EQ(program.cell("a"), nullptr);
        EXPECT_EQ(program.cell("b"), nullptr);
        EXPECT_EQ(program.cell("c"), nullptr);
    }
}

TEST(VarStorage, ObjectsAreDeepCopiesOfThePrototype) {
    PROGRAM program("bigtype T { int m; int n }\nT x\nT y");
    TOKEN* type = program.root->left->left->right;  // T's type-definition node
    ASSERT_TRUE(is_type_definition(type));
    // A prototype with m = 5, a null slot for n, and a reference to m.
    auto* holder = new OBJECT_HOLDER{new OBJECT_RECORD(), type};
    holder->object->groups.resize(1);
    holder->object->groups[0].type = type;
    holder->object->groups[0].slots = std::make_unique<SLOT_ARRAY>(3);
    auto& cells = holder->object->groups[0].slots->cells;
    cells[0] = new UNION_DATA('i');
    *cells[0]->int_data() = INT_DATA(5);
    cells[2] = new UNION_DATA('V');
    ASSERT_EQ(cells[2]->assign_ref_on_this(cells[0]), nullptr);
    UNION_DATA* prototype = push_value_cell(type, 'V');
    init_object_cell(prototype, holder);
    EXPECT_EQ(type_initial_object(type), prototype);

    push_scope_variables(program.root.get());
    UNION_DATA* x = program.cell("x");
    ASSERT_EQ(x->tag, 'k');
    EXPECT_EQ(x->holder()->type, type);
    auto& x_cells = x->holder()->object->groups[0].slots->cells;
    EXPECT_NE(x_cells[0], cells[0]);
    EXPECT_EQ(x_cells[1], nullptr);
    EXPECT_EQ(x_cells[2]->target(), x_cells[0]);  // the link ends inside the copy
    *x_cells[0]->int_data() = INT_DATA(9);
    EXPECT_EQ(int_of(cells[0]), 5);
    EXPECT_EQ(int_of(program.cell("y")->holder()->object->groups[0].slots->cells[0]), 5);
    pop_scope_variables(program.root.get());
}

TEST(VarStorage, ScopeHoldsValue) {
    PROGRAM program("array a\nint i\nif (i) { int j }");
    TOKEN* block = program.root.get();
    push_scope_variables(block);
    UNION_DATA* array = program.cell("a");
    ASSERT_EQ(array->tag, 'a');
    ARRAY_DATA* slots = array->array_data();
    UNION_DATA element('i');
    ASSERT_EQ(slots->resize(2), 0);
    ASSERT_EQ(slots->set(0, &element, 0), nullptr);
    EXPECT_TRUE(scope_holds_value(block, array));
    EXPECT_TRUE(scope_holds_value(block, slots->get(0)));
    EXPECT_TRUE(scope_holds_value(block, program.cell("i")));

    // An inner block holds none of the outer cells.
    TOKEN* inner = nullptr;
    for (TOKEN* token : program.tokens)
        if (token->block_mode == 1) inner = token;
    ASSERT_NE(inner->scope, nullptr);
    EXPECT_FALSE(scope_holds_value(inner, program.cell("i")));

    TOKEN bare(';', 0, nullptr, -1, 3, 3);
    try {
        scope_holds_value(&bare, array);
        ADD_FAILURE() << "no error";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.message, "internal error: no symbol table exists");
        EXPECT_EQ(error.kind, 's');
        EXPECT_EQ(error.line, 3);
    }
    pop_scope_variables(block);
}

}  // namespace
}  // namespace morvu
