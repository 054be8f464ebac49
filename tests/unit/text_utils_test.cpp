#include <gtest/gtest.h>

#include <string>

#include "frontend/lexer.h"
#include "runtime/text_utils.h"

namespace morvu {
namespace {

std::string replaced(std::string text, const char* search, const char* with, bool all) {
    replace_substring(text, search, with, all);
    return text;
}

std::string replaced_back(std::string text, const char* search, const char* with, bool all) {
    replace_substring_reverse(text, search, with, all);
    return text;
}

TEST(ReplaceSubstring, Forward) {
    EXPECT_EQ(replaced("abcb", "b", "x", false), "axcb");
    EXPECT_EQ(replaced("abcb", "b", "x", true), "axcx");
    EXPECT_EQ(replaced("aaa", "aa", "X", true), "Xa");
    EXPECT_EQ(replaced("abc", "z", "x", true), "abc");
    // A result that is empty is stored as the empty text.
    EXPECT_EQ(replaced("ab", "ab", "", false), "");
    EXPECT_EQ(replaced("abab", "ab", "", true), "");
    EXPECT_EQ(replaced("", "a", "x", true), "");
    EXPECT_EQ(replaced("abc", "ab", "", false), "c");
    // An empty search puts the replacement in front once, and never loops.
    EXPECT_EQ(replaced("abc", "", "x", false), "xabc");
    EXPECT_EQ(replaced("abc", "", "x", true), "abc");
}

TEST(ReplaceSubstring, Reverse) {
    EXPECT_EQ(replaced_back("abab", "ab", "Z", false), "abZ");
    EXPECT_EQ(replaced_back("abab", "ab", "Z", true), "ZZ");
    EXPECT_EQ(replaced_back("xxab", "ab", "Z", false), "xxZ");
    EXPECT_EQ(replaced_back("aaa", "aa", "X", true), "aX");
    EXPECT_EQ(replaced_back("abc", "", "X", true), "abc");
    EXPECT_EQ(replaced_back("ab", "ab", "", true), "");
    EXPECT_EQ(replaced_back("abab", "ab", "", true), "");
    EXPECT_EQ(replaced_back("ab", "abc", "X", true), "ab");
    EXPECT_EQ(replaced_back("abcab", "ab", "<>", true), "<>c<>");
    EXPECT_EQ(replaced_back("cab", "ab", "", false), "c");
    EXPECT_EQ(replaced_back("a.b.c", ".", "::", true), "a::b::c");
}

// Every occurrence replaced in a long text: the cost stays linear (a
// quadratic rebuild would take minutes here).
TEST(ReplaceSubstring, LongTexts) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "ab-";
    std::string forward = replaced(text, "ab", "x", true);
    std::string backward = replaced_back(text, "ab", "x", true);
    EXPECT_EQ(forward.size(), 400000u);
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(forward.substr(0, 6), "x-x-x-");
}

TEST(StrRfind, CountsFromTheEnd) {
    EXPECT_EQ(str_rfind("abcabc", "abc", 0), 2);
    EXPECT_EQ(str_rfind("abcabc", "abc", 1), 5);
    EXPECT_EQ(str_rfind("abcabc", "abc", 4), -1);
    EXPECT_EQ(str_rfind("ab", "abc", 0), -1);
    EXPECT_EQ(str_rfind("abc", "", 0), -1);
    EXPECT_EQ(str_rfind("abc", "", 2), 1);
    EXPECT_EQ(str_rfind("", "a", 0), -1);
}

TEST(TrimAndStrip, Edges) {
    std::string text = " a\t";
    trim_chars(text, " \t");
    EXPECT_EQ(text, "a");
    text = " \t ";
    trim_chars(text, " \t");
    EXPECT_EQ(text, "");
    text = " a ";
    trim_chars(text, "");
    EXPECT_EQ(text, " a ");

    const char* prefixes[] = {"ab", "c"};
    text = "ababcabx";
    strip_prefixes(text, prefixes, 2);
    EXPECT_EQ(text, "x");
    const char* suffixes[] = {"ab", "c"};
    text = "xabcabab";
    strip_suffixes(text, suffixes, 2);
    EXPECT_EQ(text, "x");
    // Empty entries match nowhere instead of forever.
    const char* with_empty[] = {"", "a"};
    text = "aab";
    strip_prefixes(text, with_empty, 2);
    EXPECT_EQ(text, "b");
    text = "baa";
    strip_suffixes(text, with_empty, 2);
    EXPECT_EQ(text, "b");
}

TEST(StrXorCode, EvenAndOddBytes) {
    EXPECT_EQ(str_xor_code(""), 0);
    EXPECT_EQ(str_xor_code("ab"), 0x6261);
    EXPECT_EQ(str_xor_code("ba"), 0x6162);
    EXPECT_EQ(str_xor_code("abab"), 0);
    EXPECT_EQ(str_xor_code(std::string(1, '\xff')), 0xff);
}

TEST(WholeTextTests, Classification) {
    EXPECT_TRUE(str_is_upper("ABC"));
    EXPECT_FALSE(str_is_upper("AbC"));
    EXPECT_FALSE(str_is_upper(""));
    EXPECT_TRUE(str_is_lower("abc"));
    EXPECT_FALSE(str_is_lower("ab1"));
    EXPECT_TRUE(str_is_digits("0123"));
    EXPECT_FALSE(str_is_digits("-1"));
    EXPECT_FALSE(str_is_alpha("_a1"));
    EXPECT_TRUE(str_is_alpha("a_b"));
    EXPECT_FALSE(str_is_alpha("\xe4"));
    EXPECT_TRUE(str_is_integer("-0042"));
    EXPECT_TRUE(str_is_integer("+7"));
    EXPECT_FALSE(str_is_integer("-"));
    EXPECT_FALSE(str_is_integer("4 2"));
    EXPECT_FALSE(str_is_integer(""));
}

TEST(NumberPrefix, ScannerAndWholeNumbers) {
    EXPECT_EQ(number_prefix_end("5."), 0);
    EXPECT_EQ(number_prefix_end(".5"), 1);
    EXPECT_EQ(number_prefix_end("1e"), 0);
    EXPECT_EQ(number_prefix_end("1e-3x"), 3);
    EXPECT_EQ(number_prefix_end("-12.50"), 5);
    EXPECT_EQ(number_prefix_end("+"), -1);
    EXPECT_EQ(number_prefix_end("x1"), -1);
    EXPECT_EQ(number_prefix_end("-.5"), 2);
    for (const char* yes : {"12", "-1.5", ".5", "1e-3", "1E+10"}) EXPECT_TRUE(str_is_number(yes)) << yes;
    for (const char* no : {"5.", "1e", "-", " 1", "1 ", ""}) EXPECT_FALSE(str_is_number(no)) << no;
}

}  // namespace
}  // namespace morvu
