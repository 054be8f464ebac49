// The syntax-tree node and the tree operations shared by the front end.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frontend/token.h"
#include "tree_printer.h"

namespace morvu {
namespace {

using test::parse_source;
using test::print_tree;

std::vector<std::string> printed(const TOKEN_LIST& list) {
    std::vector<std::string> out;
    for (const TOKEN* token : list) out.push_back(print_tree(token));
    return out;
}

// The first statement of a parsed text, detached as its own tree.
std::unique_ptr<TOKEN> expression(const std::string& source) { return parse_source(source); }

TEST(ParserToken, CollectTokensIsPostOrderAndLeavesNoMarks) {
    auto leaf = expression("a");
    TOKEN_LIST one;
    collect_tokens(leaf.get(), &one);
    EXPECT_EQ(printed(one), std::vector<std::string>{"a"});

    auto list = expression("x = a, b, c");
    TOKEN* items = list->right;
    TOKEN_LIST all;
    collect_tokens(items, &all);
    EXPECT_EQ(printed(all), (std::vector<std::string>{"a", "b", "(, a b)", "c", "(, (, a b) c)"}));
    for (const TOKEN* token : all) EXPECT_EQ(token->walk_mark, 0);
}

TEST(ParserToken, AppendOperandsSplitsChainsInSourceOrder) {
    auto list = expression("x = a, b, c");
    TOKEN_LIST items;
    EXPECT_EQ(append_operands(list->right, ',', &items), 3u);
    EXPECT_EQ(printed(items), (std::vector<std::string>{"a", "b", "c"}));

    // A node that is no chain node is its own single operand.
    TOKEN_LIST alone;
    EXPECT_EQ(append_operands(list->right, juxtaposition_chain, &alone), 1u);
    EXPECT_EQ(alone.first(), list->right);
    TOKEN_LIST none;
    EXPECT_EQ(append_operands(nullptr, ',', &none), 0u);

    // Two chains one after the other, and a chain of a two-character operator.
    auto pair = expression("x = a, b; y = c, d");
    TOKEN_LIST both(pair->left->right, pair->right->right, ',');
    EXPECT_EQ(printed(both), (std::vector<std::string>{"a", "b", "c", "d"}));
    auto chain = expression("x = a || b || c");
    EXPECT_EQ(printed(split_by_operator2(chain->right, '|', '|')), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ParserToken, LastListItem) {
    auto call = expression("f(a, b)");
    EXPECT_EQ(print_tree(last_list_item(call.get())), "b");
    auto definition = expression("T(A, B){body}");
    EXPECT_EQ(print_tree(last_list_item(definition.get())), "{body}");
    TOKEN bare("f", nullptr, -1, 1, 1);
    bare.op1 = '(';
    EXPECT_EQ(last_list_item(&bare), nullptr);
}

// The last item is found without listing the items: it must be the one
// the lists end with, after a block part or a list part of any length.
TEST(ParserToken, LastListItemIsTheLastOfTheListedItems) {
    std::string many = "f(";
    for (int i = 0; i < 100; ++i) many += (i == 0 ? "a" : ", a") + std::to_string(i);
    many += ")";
    for (const std::string& source :
         {std::string("f(a, b, c)"), std::string("T(A, B){body}"), std::string("f(x)"), many}) {
        auto call = expression(source);
        TOKEN_LIST groups(call->left, juxtaposition_chain);
        TOKEN* expected = groups.last();
        if (expected->block_mode == block_mode_none) expected = TOKEN_LIST(expected, ',').last();
        EXPECT_EQ(last_list_item(call.get()), expected) << source;
    }
}

TEST(ParserToken, InsertOperatorKeepsThePlaceAndMovesThePayloadDown) {
    auto tree = expression("x = a");
    TOKEN* a = tree->right;
    a->in_brackets = 1;
    a->insert_operator(new TOKEN("b", nullptr, -1, 7, 7), '+', 0, false, 3, 5, 6);
    EXPECT_EQ(tree->right, a);
    EXPECT_EQ(print_tree(tree.get()), "(= x (+ [a] b))");
    EXPECT_EQ(a->file_index, 3);
    EXPECT_EQ(a->line, 5);
    EXPECT_EQ(a->line2, 6);
    EXPECT_FALSE(a->text.has_value());
    EXPECT_EQ(a->left->parent, a);
    EXPECT_EQ(a->right->parent, a);

    // An empty node takes the operand's place instead.
    TOKEN empty;
    TOKEN operand_source("y", nullptr, -1, 2, 2);
    empty.insert_operator(&operand_source, '+', 0, true, -1, 9, 9);
    EXPECT_EQ(print_tree(&empty), "y");
    EXPECT_EQ(empty.line, 2);
}

TEST(ParserToken, ReplaceByTakesOverPayloadAndOperands) {
    auto tree = expression("x = a + b");
    auto other = expression("c * d");
    TOKEN* target = tree->right;
    TOKEN* source = other.release();
    target->replace_by(source);  // source is deleted: the sanitizer watches
    EXPECT_EQ(print_tree(tree.get()), "(= x (* c d))");
    EXPECT_EQ(tree->right, target);
    EXPECT_EQ(target->parent, tree.get());
    EXPECT_EQ(target->left->parent, target);
}

TEST(ParserToken, RotateKeepsOneOperand) {
    auto keep_right = expression("x = a + b");
    keep_right->right->rotate('l');
    EXPECT_EQ(print_tree(keep_right.get()), "(= x b)");
    auto keep_left = expression("x = a + b");
    keep_left->right->rotate('r');
    EXPECT_EQ(print_tree(keep_left.get()), "(= x a)");
}

TEST(ParserToken, SwapExchangesPlaces) {
    auto tree = expression("x = a - b");
    TOKEN::swap(tree->right->left, tree->right->right);
    EXPECT_EQ(print_tree(tree.get()), "(= x (- b a))");

    auto two = expression("x = a - b; y = c");
    TOKEN* a = two->left->right->left;
    TOKEN* c = two->right->right;
    TOKEN::swap(a, c);
    EXPECT_EQ(print_tree(two.get()), "(; (= x (- c b)) (= y a))");
    EXPECT_EQ(c->parent, two->left->right);
    EXPECT_EQ(a->parent, two->right);
}

TEST(ParserToken, CopyTreeCopiesPayloadsOnly) {
    auto source = expression("x = f(a, 1.5) + {b; \"s\"}");
    source->right->declaration = source.get();
    source->right->module_inside = 1;
    TOKEN* copy = nullptr;
    TOKEN::copy_tree(source.get(), copy, nullptr);
    std::unique_ptr<TOKEN> owner(copy);
    EXPECT_TRUE(trees_equal(source.get(), copy));
    EXPECT_EQ(print_tree(copy), print_tree(source.get()));
    EXPECT_EQ(copy->parent, nullptr);
    EXPECT_EQ(copy->right->parent, copy);
    EXPECT_EQ(copy->right->declaration, nullptr);
    EXPECT_EQ(copy->right->module_inside, 0);
    source.reset();
    EXPECT_EQ(print_tree(copy), "(= x (+ f([(, a 1.5)]) {(; b \"s\")}))");

    TOKEN with_subtree(*copy->right, true);
    EXPECT_TRUE(trees_equal(&with_subtree, copy->right));
    TOKEN without_subtree(*copy->right, false);
    EXPECT_EQ(without_subtree.left, nullptr);
    EXPECT_EQ(without_subtree.op1, '+');
}

TEST(ParserToken, TreesEqual) {
    EXPECT_TRUE(trees_equal(expression("x = 1.0").get(), expression("x = 1").get()));
    EXPECT_FALSE(trees_equal(expression("x = 1.5").get(), expression("x = 1").get()));
    EXPECT_FALSE(trees_equal(expression("x = {a}").get(), expression("x = (a + b)").get()));
    EXPECT_FALSE(trees_equal(expression("x = a").get(), expression("x = \"a\"").get()));
    EXPECT_FALSE(trees_equal(expression("x = a").get(), expression("x = a + b").get()));
    EXPECT_TRUE(trees_equal(nullptr, nullptr));
    EXPECT_FALSE(trees_equal(expression("a").get(), nullptr));

    // A block differs from the same list in round brackets; the bracket flag
    // alone is not compared.
    TOKEN block(';', 0, nullptr, -1, 1, 1);
    TOKEN list(';', 0, nullptr, -1, 1, 1);
    block.block_mode = 1;
    list.in_brackets = 1;
    EXPECT_FALSE(trees_equal(&block, &list));
    list.block_mode = 1;
    EXPECT_TRUE(trees_equal(&block, &list));
}

TEST(ParserToken, SmallQueries) {
    auto tree = expression("x = 1; y @ z; w ~ v; a += b");
    TOKEN_LIST statements(tree.get(), ';');
    EXPECT_EQ(assignment_kind(statements[0]), 0);
    EXPECT_EQ(assignment_kind(statements[1]), 1);
    EXPECT_EQ(assignment_kind(statements[2]), 2);
    EXPECT_EQ(assignment_kind(statements[3]), -1);

    auto declaration = expression("int a, b");
    EXPECT_EQ(enclosing_declaration(declaration->right->right), "int");

    const char* words[][2] = {{"date", "0"}, {"dir", "d"},  {"int", "i"},    {"any", "v"},      {"set", "m"},
                              {"code", "x"}, {"args", "y"}, {"array2", "z"}, {"timezone", "2"}, {"datetime", "4"},
                              {"sys", "n"},  {"any2", "u"}, {"time", "t"},   {"list", "l"},     {"str", "s"}};
    for (auto& [word, code] : words) {
        TOKEN token(word, nullptr, -1, 1, 1);
        EXPECT_EQ(type_code_of_token(&token), code[0]) << word;
    }
}

TEST(ParserToken, CheckedPopOnEmptyStackIsAnInternalError) {
    TOKEN_STACK stack;
    TOKEN token;
    stack.push(&token);
    EXPECT_EQ(stack.checked_pop(), &token);
    try {
        stack.checked_pop();
        FAIL() << "no error";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.message, "internal error in pop(): list is empty");
        EXPECT_EQ(error.kind, 's');
        EXPECT_EQ(error.line, 0);
        EXPECT_EQ(error.file, "");
    }
}

TEST(ParserToken, ListsOwnTheirCellsOnly) {
    auto tree = expression("x = a, b");
    TOKEN_LIST items(tree->right, ',');
    items.push_front(tree->left);
    EXPECT_EQ(printed(items), (std::vector<std::string>{"x", "a", "b"}));
    items.clear();
    EXPECT_EQ(items.count(), 0u);
    EXPECT_EQ(print_tree(tree.get()), "(= x (, a b))");

    NAME_LIST names;
    names.append("b");
    names.push_front("a");
    names.append("ab");
    EXPECT_EQ(names.count(), 3u);
    EXPECT_EQ(names.first(), "a");
    EXPECT_TRUE(names.contains("ab"));
    EXPECT_FALSE(names.contains("a "));
    EXPECT_FALSE(names.contains("abc"));
    names.clear();
    EXPECT_TRUE(names.empty());
}

TEST(ParserToken, ReleaseHooksFreeForeignPayloads) {
    static int released = 0;
    released = 0;
    auto saved = release_scope;
    release_scope = [](SCOPE*) { ++released; };
    {
        auto tree = expression("x = a + b");
        // Only the pointer's identity matters to the hook.
        tree->right->left->scope = reinterpret_cast<SCOPE*>(tree.get());
        tree->scope = reinterpret_cast<SCOPE*>(tree.get());
    }
    release_scope = saved;
    EXPECT_EQ(released, 2);
}

}  // namespace
}  // namespace morvu
