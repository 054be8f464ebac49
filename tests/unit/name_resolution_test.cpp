// The rewrites and links that prepare names before a program runs: the
// declaration-initialisation rewrite, parameter roles, type words left of
// declarations, and the resolution (or implicit declaration) of variables.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "frontend/analysis.h"
#include "frontend/decl_rewrite.h"
#include "frontend/name_resolution.h"
#include "frontend/param_roles.h"
#include "frontend/scope.h"
#include "frontend/var_storage.h"
#include "test_support.h"
#include "tree_printer.h"

namespace morvu {
namespace {

using test::first_name;
using test::nearest_scope;
using test::raised_by;

std::string rewritten(const std::string& source) {
    std::unique_ptr<TOKEN> root = test::parse_source(source);
    rewrite_declaration_inits_in_tree(root.get());
    return test::print_tree(root.get());
}

// A program through the definition passes up to the name passes.
struct PROGRAM {
    std::unique_ptr<TOKEN> root;
    TOKEN_LIST tokens;

    explicit PROGRAM(const std::string& source) : root(test::parse_source(source)) {
        collect();
        clear_def_data(tokens);
        rewrite_declaration_inits(tokens);
        collect();
        typdef_pass(tokens);
        free_base_lists(tokens, true);
        fundef_form_pass(tokens);
        vardef_pass(tokens);
    }
    void collect() {
        tokens.clear();
        collect_tokens(root.get(), &tokens);
    }
    void resolve() {
        operator_name_pass(tokens);
        variable_pass(tokens);
    }
    // The first name node in post-order with this text (after `skip` others).
    TOKEN* name(const std::string& text, int skip = 0) const { return first_name(tokens, text, skip); }
    std::string tree() const { return test::print_tree(root.get()); }
};

TEST(DeclRewrite, InitialisedItemsBecomeConstructorCalls) {
    EXPECT_EQ(rewritten("int a(5), b, c(7)"), "(blank int (, (, (. a ([5])) b) (. c ([7]))))");
    EXPECT_EQ(rewritten("T x()"), "(blank T (. x ([#])))");
    EXPECT_EQ(rewritten("T _x(1)"), "(blank T (. _x ([1])))");
    EXPECT_EQ(rewritten("int a(5) = 3"), "(blank int (= (. a ([5])) 3))");
    EXPECT_EQ(rewritten("proc p { int a(1) }\nwhile (c) { T t(2) }"),
              "(; (blank proc p({(blank int (. a ([1])))})) while((){ [c] {(blank T (. t ([2])))})))");
    // Definitions share the shape and stay untouched.
    for (const char* source : {"proc p(int a) { x = 1 }", "bigtype T(B) { int m }", "func f(a)(b) { b = a }"})
        EXPECT_EQ(rewritten(source), test::parsed(source)) << source;
}

TEST(DeclRewrite, NewNodesTakeThePositionOfTheName) {
    std::unique_ptr<TOKEN> root = test::parse_source("int z = 0\nT t(1)");
    TOKEN* call = root->right->right;
    ASSERT_EQ(*call->text, "t");
    call->file_index = 3;
    rewrite_declaration_inits_in_tree(root.get());
    ASSERT_EQ(call->op1, '.');
    for (const TOKEN* node : {call, call->left, call->right}) {
        EXPECT_EQ(node->file_index, 3);
        EXPECT_EQ(node->line, 2);
    }
    EXPECT_EQ(*call->left->text, "t");
    EXPECT_EQ(*call->right->text, "");
}

TEST(ParamRoles, RolesByPartAndForm) {
    std::unique_ptr<TOKEN> root = test::parse_source("func f(int a, b; args:$ s)(int r; str:$ q) { }");
    TOKEN_LIST parts = split_by_operator(root->right->left, juxtaposition_chain);
    ASSERT_EQ(parts.count(), 3u);

    TOKEN_LIST input;
    check_fun_arg(parts[0], 'i', input);
    ASSERT_EQ(input.count(), 3u);
    EXPECT_EQ(*input[0]->text, "a");
    EXPECT_EQ(*input[2]->text, "s");
    EXPECT_EQ(input[0]->arg_role, -2);
    EXPECT_EQ(input[1]->arg_role, -2);
    EXPECT_EQ(input[2]->arg_role, 2);

    TOKEN_LIST output;
    check_fun_arg(parts[1], 'o', output);
    ASSERT_EQ(output.count(), 2u);
    EXPECT_EQ(output[0]->arg_role, -1);
    EXPECT_EQ(output[1]->arg_role, 1);

    TOKEN_LIST types;
    check_fun_arg(parts[0], 't', types);
    ASSERT_EQ(types.count(), 3u);
    EXPECT_EQ(types[0], types[1]);  // one type word per name
    EXPECT_EQ(*types[0]->text, "int");
    EXPECT_EQ(*types[2]->text, "args");
    EXPECT_EQ(types[2]->arg_role, 2);

    TOKEN empty('#', 0, nullptr, -1, 1, 1);
    check_fun_arg(&empty, 'i', types);
    EXPECT_EQ(types.count(), 3u);
}

TEST(ParamRoles, RefusedDeclarations) {
    TOKEN_LIST out;
    std::unique_ptr<TOKEN> assignment = test::parse_source("\na = 1");
    ERROR error = raised_by([&] { check_fun_arg(assignment.get(), 'i', out); });
    EXPECT_EQ(error.message, "Expect no or ':$'-token at function/procedure argument");
    EXPECT_EQ(error.kind, 'p');
    EXPECT_EQ(error.line, 2);

    TOKEN number_type(' ', 0, nullptr, -1, 4, 4);
    number_type.left = new TOKEN(5);
    number_type.left->parent = &number_type;
    number_type.right = new TOKEN("a", &number_type, -1, 4, 4);
    error = raised_by([&] { check_fun_arg(&number_type, 't', out); });
    EXPECT_EQ(error.message, "Expect name of type at function/procedure argument");
    EXPECT_EQ(error.line, 4);

    std::unique_ptr<TOKEN> constant_name = test::parse_source("int \"s\"");
    error = raised_by([&] { check_fun_arg(constant_name.get(), 'o', out); });
    EXPECT_EQ(error.message, "Expect name of variable at function/procedure argument");
    EXPECT_EQ(error.kind, 'p');
    EXPECT_EQ(out.count(), 0u);
}

TEST(OperatorNames, TypeWordsLinkToTheirDefinitions) {
    PROGRAM program("bigtype T { int m }\nT x\nint y");
    program.resolve();
    TOKEN* word = program.name("T");
    ASSERT_NE(word, nullptr);
    ASSERT_NE(word->declaration, nullptr);
    EXPECT_EQ(*word->declaration->text, "T");
    EXPECT_EQ(word->declaration->op1, '(');
    EXPECT_EQ(program.name("int", 1)->declaration, nullptr);  // built-in words stay unlinked

    for (const char* source : {"int a\nU x", "int a\nm::U x"}) {
        PROGRAM unknown(source);
        ERROR error = raised_by([&] { unknown.resolve(); });
        EXPECT_EQ(error.message, std::string("Unknown type '") + (source[6] == 'm' ? "m::U" : "U") + "'");
        EXPECT_EQ(error.kind, 'a');
        EXPECT_EQ(error.line, 2);
    }
}

TEST(OperatorNames, NumberLeftOfADeclaration) {
    TOKEN blank(' ', 0, nullptr, -1, 7, 7);
    blank.left = new TOKEN(5);
    blank.left->parent = &blank;
    blank.left->line = 7;
    blank.right = new TOKEN("x", &blank, -1, 7, 7);
    ERROR error = raised_by([&] { check_operator_name(blank.left); });
    EXPECT_EQ(error.message, "Expect name left of operator ' '");
    EXPECT_EQ(error.kind, 'p');
    EXPECT_EQ(error.line, 7);

    blank.op1 = ':';
    blank.op2 = '$';
    blank.param_mark = 1;
    error = raised_by([&] { check_operator_name(blank.left); });
    EXPECT_EQ(error.message, "Expect name left of operator ':$'");
}

TEST(VariablePass, DeclaredNamesAndSkippedWords) {
    PROGRAM program("int a\na = true\nb.m = this\nc = false");
    program.resolve();
    TOKEN* declared = program.name("a");
    EXPECT_EQ(declared->declaration, declared);
    EXPECT_EQ(program.name("a", 1)->declaration, declared);
    for (const char* word : {"true", "false", "this", "m"}) EXPECT_EQ(program.name(word)->declaration, nullptr);
    // b and c were declared on the spot, in order, at the end of the program.
    SCOPE& root = *program.root->scope;
    EXPECT_NE(table_token(root.variables, "b"), nullptr);
    EXPECT_EQ(program.name("b")->declaration, table_token(root.storage, "b"));
    EXPECT_EQ(program.tree(),
              "(; (; (; (; (; (blank int a) (= a true)) (= (. b m) this)) (= c false)) (blank any b)) (blank any c))");
}

TEST(VariablePass, ImplicitDeclarationsInRoutinesAndBlocks) {
    PROGRAM program("proc p(int x) {\n  y = x\n}\nproc q { y = 3 }\nif (c) { z = 1 }");
    program.resolve();
    TOKEN* y_in_p = program.name("y", 0);
    TOKEN* y_in_q = program.name("y", 1);
    ASSERT_NE(y_in_p->declaration, nullptr);
    EXPECT_NE(y_in_p->declaration, y_in_q->declaration);
    EXPECT_EQ(table_token(program.root->scope->variables, "y"), nullptr);

    // p's body owns no scope: the declaration stands in the body, the entry
    // in the scope of p's header.
    TOKEN* p_decl = y_in_p->declaration;
    TOKEN* body = p_decl->parent->parent;
    EXPECT_EQ(body->block_mode, 1);
    EXPECT_EQ(body->scope, nullptr);
    EXPECT_EQ(test::print_tree(body), "{(; (= y x) (blank any y))}");
    SCOPE& header = nearest_scope(body);
    EXPECT_EQ(table_token(header.storage, "y"), p_decl);
    EXPECT_EQ(table_token(header.variables, "x"), program.name("x"));
    // The new nodes stand where the name was used.
    EXPECT_EQ(p_decl->line, 2);
    EXPECT_EQ(p_decl->parent->line, 2);
    EXPECT_EQ(p_decl->parent->left->line, 2);

    // Fresh in every call.
    TOKEN* header_node = body->parent;
    ASSERT_NE(header_node->scope, nullptr);
    push_scope_variables(header_node);
    UNION_DATA* first = variable_cell(y_in_p);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->tag, 'v');
    push_scope_variables(header_node);
    EXPECT_NE(variable_cell(y_in_p), first);
    pop_scope_variables(header_node);
    EXPECT_EQ(variable_cell(y_in_p), first);
    pop_scope_variables(header_node);

    // A braced block in the main program declares in its own list and scope.
    TOKEN* z_decl = program.name("z")->declaration;
    TOKEN* block = z_decl->parent->parent;
    EXPECT_EQ(test::print_tree(block), "{(; (= z 1) (blank any z))}");
    EXPECT_EQ(table_token(block->scope->variables, "z"), z_decl);
    EXPECT_NE(table_token(program.root->scope->variables, "c"), nullptr);
}

TEST(VariablePass, UnknownVariables) {
    PROGRAM qualified("int a\nx = m::y");
    ERROR error = raised_by([&] { qualified.resolve(); });
    EXPECT_EQ(error.message, "Unknown variable 'm::y'");
    EXPECT_EQ(error.kind, 'a');
    EXPECT_EQ(error.line, 2);
    EXPECT_EQ(table_token(qualified.root->scope->variables, "m\x1by"), nullptr);

    PROGRAM lone("x");
    error = raised_by([&] { lone.resolve(); });
    EXPECT_EQ(error.message, "Unknown variable 'x'");
}

}  // namespace
}  // namespace morvu
