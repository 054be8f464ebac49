// Symbol tables and the look-up of names from a node outwards.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frontend/analysis.h"
#include "frontend/scope.h"
#include "frontend/type_defs.h"
#include "test_support.h"
#include "tree_printer.h"
#include "values/value_operators.h"

namespace morvu {
namespace {

using test::first_name;
using test::nearest_scope;
using test::raised_by;

const std::string key_mark(1, static_cast<char>(0xA7));

// A parsed program with fresh scopes, its types registered and their
// base-type lists built.
struct ANALYSED {
    std::unique_ptr<TOKEN> root;
    TOKEN_LIST tokens;

    explicit ANALYSED(const std::string& source) : root(test::parse_source(source)) {
        test::register_types(root.get(), tokens);
    }

    // The first node in post-order that is a name with this text.
    TOKEN* name(const std::string& text, int skip = 0) const { return first_name(tokens, text, skip); }

    // The type-definition node of a type and the scope of its body.
    TOKEN* type(const std::string& text) const {
        for (TOKEN* token : tokens)
            if (is_type_definition(token) && *token->text == text) return token;
        return nullptr;
    }
    SCOPE& body_scope(const std::string& text) const { return *last_list_item(type(text))->scope; }
};

TEST(ScopeLookup, NearestScopeWinsAndZeroEntriesAreSkipped) {
    ANALYSED program("a = 1\nproc p { a = 2; b = 3 }");
    TOKEN* outer_use = program.name("a", 0);
    TOKEN* inner_use = program.name("a", 1);
    TOKEN* b_use = program.name("b");
    SCOPE& outer = *program.root->scope;
    SCOPE& inner = nearest_scope(inner_use);
    ASSERT_NE(&outer, &inner);

    enter_token(outer.variables, "a", outer_use);
    enter_token(inner.variables, "a", inner_use);
    enter_token(outer.variables, "b", b_use);
    inner.variables["b"];  // made by a find-or-insert: the 0 hides nothing

    EXPECT_EQ(find_symbol(inner_use, "a", 'v', false, inner_use), inner_use);
    EXPECT_EQ(find_symbol(outer_use, "a", 'v', false, outer_use), outer_use);
    EXPECT_EQ(find_symbol(b_use, "b", 'v', false, b_use), b_use);
    EXPECT_EQ(find_symbol(inner_use, "c", 'v', false, inner_use), nullptr);
    EXPECT_EQ(find_symbol(nullptr, "a", 'v', false, inner_use), nullptr);
    // Types live in their own table.
    EXPECT_EQ(find_symbol(inner_use, "a", 't', false, inner_use), nullptr);
}

// D <- B, and A(B, C): A's list is A, B, C, D.
const char* const hierarchy =
    "bigtype D { int m }\n"
    "bigtype B(D) { int k; bigtype N { int n } }\n"
    "bigtype C { int k; proc r { x = 0 } }\n"
    "bigtype A(B, C) { proc q { use = k + m + g } }\n"
    "proc outside { y = 1 }\n"
    "int g";

struct HIERARCHY : ANALYSED {
    TOKEN* use;  // a node inside A's procedure q
    TOKEN* k_in_b;
    TOKEN* k_in_c;
    TOKEN* m_in_d;
    TOKEN* g_outer;
    TOKEN* r_def;
    TOKEN* outside_def;

    HIERARCHY() : ANALYSED(hierarchy) {
        use = name("use");
        k_in_b = name("k", 0);
        k_in_c = name("k", 1);
        m_in_d = name("m", 0);
        g_outer = name("g", 1);
        enter_token(body_scope("B").variables, "k", k_in_b);
        enter_token(body_scope("C").variables, "k", k_in_c);
        enter_token(body_scope("D").variables, "m", m_in_d);
        enter_token(root->scope->variables, "g", g_outer);
        enter_token(root->scope->variables, "k", g_outer);  // hidden by the members
        r_def = name("x");                                  // stands in for r's defining node
        outside_def = name("y");
        enter_token(body_scope("C").procedures, "r" + key_mark, r_def);
        enter_token(root->scope->procedures, "outside" + key_mark, outside_def);
    }
};

TEST(ScopeLookup, TypeBodiesFollowTheBaseTypeList) {
    HIERARCHY program;
    EXPECT_EQ(find_symbol(program.use, "k", 'v', false, program.use), program.k_in_b);
    EXPECT_EQ(find_symbol(program.use, "m", 'v', false, program.use), program.m_in_d);
    // Variables and types pass type bodies and reach the program's scope.
    EXPECT_EQ(find_symbol(program.use, "g", 'v', false, program.use), program.g_outer);
    EXPECT_EQ(find_symbol(program.use, "D", 't', false, program.use), program.type("D"));
    EXPECT_EQ(find_symbol(program.use, "N", 't', false, program.use), program.type("N"));
    // members_only stops at the first type body.
    EXPECT_EQ(find_symbol(program.use, "g", 'v', true, program.use), nullptr);
    EXPECT_EQ(find_symbol(program.use, "k", 'v', true, program.use), program.k_in_b);
}

TEST(ScopeLookup, RoutinesStopAtTypeBodiesUnlessCrossing) {
    HIERARCHY program;
    EXPECT_EQ(find_symbol(program.use, "r" + key_mark, 'p', false, program.use), program.r_def);
    EXPECT_EQ(find_symbol(program.use, "r" + key_mark, 'f', false, program.use), nullptr);
    EXPECT_EQ(find_symbol(program.use, "outside" + key_mark, 'p', false, program.use), nullptr);
    bool crossed = false;
    EXPECT_EQ(find_symbol(program.use, "outside" + key_mark, 'p', false, program.use, &crossed), program.outside_def);
    EXPECT_TRUE(crossed);
}

TEST(ScopeLookup, TypeSpecifications) {
    HIERARCHY program;
    TYPE_NAME only_c{nullptr, program.type("C"), true};
    EXPECT_EQ(find_symbol(program.use, "k", 'v', only_c, true, program.use), program.k_in_c);
    // A user type outside the list: nothing, or an error with members_only.
    TYPE_NAME foreign{nullptr, program.type("N"), true};
    EXPECT_EQ(find_symbol(program.use, "k", 'v', foreign, false, program.use), nullptr);
    ERROR error = raised_by([&] { find_symbol(program.use, "k", 'v', foreign, true, program.use); });
    EXPECT_EQ(error.message, "For type 'A' there is no basic type 'B:N'");  // N is seen through B
    EXPECT_EQ(error.kind, 'a');
    EXPECT_EQ(error.line, 4);

    TYPE_NAME builtin{"int", nullptr, false};
    error = raised_by([&] { find_symbol(program.use, "k", 'v', builtin, false, program.use); });
    EXPECT_EQ(error.message, "Type specification 'int' for type 'A' not allowed");
    EXPECT_EQ(error.kind, 'a');
}

TEST(ScopeLookup, VisibleTypeNamesAndEnclosingTypes) {
    HIERARCHY program;
    TOKEN* owner = nullptr;
    EXPECT_EQ(visible_type_name(program.use, program.type("N"), owner), "N");
    EXPECT_EQ(owner, program.type("B"));
    owner = nullptr;
    EXPECT_EQ(visible_type_name(program.use, program.type("C"), owner), "C");
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(visible_type_name(program.g_outer, program.type("N"), owner), "");

    EXPECT_EQ(enclosing_type_def(program.use), program.type("A"));
    EXPECT_EQ(enclosing_type_def(program.type("A")), program.type("A"));
    ERROR error = raised_by([&] { enclosing_type_def(program.g_outer); });
    EXPECT_EQ(error.message, "No name of type found for body");
    EXPECT_EQ(error.kind, 'a');
    EXPECT_EQ(error.line, 6);

    // Member access of the value layer goes through the type bodies' scopes.
    EXPECT_EQ(member_variable_of_body(last_list_item(program.type("C")), "k"), program.k_in_c);
    EXPECT_EQ(member_variable_of_body(last_list_item(program.type("C")), "m"), nullptr);
}

TEST(ScopeLookup, RoutineKeysMatchByParameterTypes) {
    TOKEN holder(';', 0, nullptr, -1, 1, 1);
    holder.scope = new SCOPE(0);
    TOKEN f_int("f", nullptr, -1, 1, 1);
    const std::string int_key = "f" + key_mark + "int;" + key_mark;
    enter_token(holder.scope->functions, int_key, &f_int);
    enter_token(holder.scope->functions, "f" + key_mark + "str;" + key_mark, nullptr);  // defines nothing

    EXPECT_EQ(find_symbol(&holder, int_key, 'f', false, &holder), &f_int);
    EXPECT_EQ(find_symbol(&holder, int_key, 'p', false, &holder), nullptr);  // procedures are apart
    EXPECT_EQ(find_symbol(&holder, "f" + key_mark + "str;" + key_mark, 'f', false, &holder), nullptr);
    // A new definition is compared leniently: "any" collides with "int".
    std::string out;
    EXPECT_EQ(match_args_signature(out, *holder.scope, "f" + key_mark + "any;" + key_mark, false, 0), int_key);
    EXPECT_EQ(match_args_signature(out, *holder.scope, "f" + key_mark + "any;" + key_mark, false, 1), "");
}

// Every look-up of every name of the program, as find_symbol answers it now.
std::vector<TOKEN*> answers(const ANALYSED& program, const std::vector<std::string>& names, char kind) {
    std::vector<TOKEN*> found;
    for (TOKEN* token : program.tokens)
        for (const std::string& name : names) found.push_back(find_symbol(token, name, kind, false, token));
    return found;
}

TEST(ScopeWalkMemo, AnswersAsTheWalkAndFollowsTheTablesAndTheTree) {
    ANALYSED program(
        "x = 1\nv = 0\nproc p { y = 2; if(true, { z = 3; w = x + y }) }\n"
        "bigtype T { int m; proc q { m = x } }\nu = v\nproc r { t = 5 }");
    TOKEN* x = program.name("x");
    TOKEN* y = program.name("y");
    TOKEN* z = program.name("z");
    TOKEN* m = program.name("m");
    TOKEN* t = program.name("t");
    SCOPE& inner = nearest_scope(z);
    enter_token(program.root->scope->variables, "x", x);
    enter_token(nearest_scope(y).variables, "y", y);
    enter_token(program.body_scope("T").variables, "m", m);
    const std::vector<std::string> names = {"x", "y", "m", "z", "T"};
    const std::vector<TOKEN*> variables = answers(program, names, 'v');
    const std::vector<TOKEN*> types = answers(program, names, 't');
    {
        SCOPE_WALK_MEMO memo;
        EXPECT_EQ(answers(program, names, 'v'), variables);  // remembering
        EXPECT_EQ(answers(program, names, 'v'), variables);  // remembered
        EXPECT_EQ(answers(program, names, 't'), types);

        // A block's first entry makes it answer; entries after it too.
        ASSERT_EQ(inner.variables.entry_count(), 0);
        enter_token(inner.variables, "x", z);
        EXPECT_EQ(find_symbol(z, "x", 'v', false, z), z);
        enter_token(inner.variables, "y", z);
        EXPECT_EQ(find_symbol(z, "y", 'v', false, z), z);
        EXPECT_EQ(find_symbol(x, "x", 'v', false, x), x);

        // A statement moved into another routine is looked up from there.
        EXPECT_EQ(find_symbol(t, "y", 'v', false, t), nullptr);
        TOKEN::swap(t->parent, z->parent);
        EXPECT_EQ(find_symbol(t, "y", 'v', false, t), z);
        EXPECT_EQ(find_symbol(z, "y", 'v', false, z), nullptr);
        TOKEN::swap(t->parent, z->parent);
        EXPECT_EQ(find_symbol(t, "y", 'v', false, t), nullptr);

        // A new operator above a block's statements keeps them in the block.
        TOKEN* block = enclosing_block(z->parent);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block->scope, &inner);
        block->insert_operator(new TOKEN("extra", nullptr, -1, 3, 3), ';', 0, false, -1, 3, 3);
        EXPECT_EQ(enclosing_block(z->parent), block);
        EXPECT_EQ(enclosing_scope_node(z), block);
        EXPECT_EQ(find_symbol(z, "y", 'v', false, z), z);
        EXPECT_EQ(find_symbol(block->right, "x", 'v', false, block->right), z);
    }
    // The same answers without the memo.
    EXPECT_EQ(find_symbol(z, "x", 'v', false, z), z);
    EXPECT_EQ(find_symbol(t, "y", 'v', false, t), nullptr);
}

}  // namespace
}  // namespace morvu
