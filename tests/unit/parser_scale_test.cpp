// Long programs and deep nesting: parsing, copying, comparing and destroying
// must not deepen the machine stack with the size of the tree. The programs
// are kept plain, so that the sanitizer build runs them quickly; the
// benchmark parses a richer program of the same length.

#include <gtest/gtest.h>

#include <string>

#include "tree_printer.h"

namespace morvu {
namespace {

TEST(ParserScale, HundredThousandLines) {
    constexpr int count = 100000;
    NAME_LIST lines;
    for (int i = 0; i < count; ++i) lines.append(i % 2 == 0 ? "a" : "# note");
    lines.append("b = c");
    std::unique_ptr<TOKEN> root = parse_program("big.mrv", lines, true);
    ASSERT_NE(root, nullptr);
    TOKEN_LIST statements(root.get(), ';');
    EXPECT_EQ(statements.count(), static_cast<uint32_t>(count / 2 + 1));
    EXPECT_EQ(statements.last()->line, count + 1);
    EXPECT_EQ(test::print_tree(statements.last()), "(= b c)");

    // The ';' chain is as deep as the program is long.
    TOKEN* copy = nullptr;
    TOKEN::copy_tree(root.get(), copy, nullptr);
    std::unique_ptr<TOKEN> copy_owner(copy);
    EXPECT_TRUE(trees_equal(root.get(), copy));
    statements.first()->text = "z";
    EXPECT_FALSE(trees_equal(root.get(), copy));
    TOKEN_LIST all;
    collect_tokens(copy, &all);
    EXPECT_EQ(all.count(), static_cast<uint32_t>(2 * (count / 2) + 3));
    EXPECT_EQ(all.last(), copy);
}

TEST(ParserScale, MixedStatements) {
    NAME_LIST lines;
    for (int i = 0; i < 10000; ++i) {
        std::string n = std::to_string(i);
        switch (i % 5) {
        case 0: lines.append("x" + n + " = a + b * (c - " + n + ") # note"); break;
        case 1: lines.append("if (x > " + n + ") y = f(x, \"s" + n + "\")"); break;
        case 2: lines.append("list.add(" + n + ", -1.5e2)"); break;
        case 3: lines.append("while (i < 10) { i += 1 }"); break;
        default: lines.append("int v" + n + " = a[" + n + "]"); break;
        }
    }
    std::unique_ptr<TOKEN> root = parse_program("mixed.mrv", lines, true);
    TOKEN_LIST statements(root.get(), ';');
    ASSERT_EQ(statements.count(), 10000u);
    EXPECT_EQ(test::print_tree(statements[0]), "(= x0 (+ a (* b [(- c 0)])))");
    EXPECT_EQ(test::print_tree(statements[1]), "if((){ [(> x 1)] {(= y f([(, x \"s1\")]))}))");
    EXPECT_EQ(test::print_tree(statements[2]), "(. list add([(, 2 -150)]))");
    EXPECT_EQ(test::print_tree(statements[3]), "while((){ [(< i 10)] {(+= i 1)}))");
    EXPECT_EQ(test::print_tree(statements[9999]), "(blank int (= v9999 (. a \"[]\"([9999]))))");
    EXPECT_EQ(statements[9999]->line, 10000);
}

TEST(ParserScale, LongChainsBothWays) {
    std::string items = "x = a";
    std::string assignments = "a";
    for (int i = 1; i < 100000; ++i) {
        items += ",a";
        assignments += "=a";
    }
    auto list = test::parse_source(items);
    TOKEN_LIST elements(list->right, ',');
    EXPECT_EQ(elements.count(), 100000u);

    // A right-deep chain of assignments.
    auto chain = test::parse_source(assignments);
    TOKEN* copy = nullptr;
    TOKEN::copy_tree(chain.get(), copy, nullptr);
    std::unique_ptr<TOKEN> copy_owner(copy);
    EXPECT_TRUE(trees_equal(chain.get(), copy));
    TOKEN_LIST targets(copy, '=');
    EXPECT_EQ(targets.count(), 100000u);
}

TEST(ParserScale, DeepBrackets) {
    constexpr int depth = 100000;
    std::string source = "x = " + std::string(depth, '(') + "a + b" + std::string(depth, ')');
    EXPECT_EQ(test::parsed(source), "(= x [(+ a b)])");
    std::string blocks = "x = " + std::string(depth, '{') + "a" + std::string(depth, '}');
    EXPECT_EQ(test::parsed(blocks), "(= x {a})");
}

}  // namespace
}  // namespace morvu
