// INT_DATA's two forms: a machine word for magnitudes below 2^64 and a
// shared heap block of limbs beyond. The cases cross between the forms in
// both directions through every kind of operation, check that copies which
// share a block part when one of them changes, and that kept texts ("007"),
// counts of leading zero groups (small and very large), the sign of zero and
// the empty number survive copies, moves and reassignments in either form.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"

namespace morvu {
namespace {

INT_DATA from(const std::string& text) { return INT_DATA(text.c_str()); }

std::vector<int> groups_of(const INT_DATA& value) {
    std::vector<int> groups;
    for (int i = 0; i < value.limb_count(); ++i) groups.push_back(value.limb(i));
    return groups;
}

const std::string word_top = "18446744073709551615";   // 2^64 - 1
const std::string past_word = "18446744073709551616";  // 2^64

TEST(IntLayoutTest, CrossingTheWordBorderBothWays) {
    const INT_DATA one(1);
    INT_DATA value = from(word_top);
    value += one;
    EXPECT_EQ(value.to_text(), past_word);
    value -= one;
    EXPECT_EQ(value.to_text(), word_top);
    EXPECT_EQ(groups_of(value), groups_of(from(word_top)));
    EXPECT_TRUE(value == from(word_top));
    EXPECT_FALSE(value < from(word_top));

    // Products and quotients: into the limbs and back to a word.
    INT_DATA product = from("4294967296");
    product *= INT_DATA(4294967296L);
    EXPECT_EQ(product.to_text(), past_word);
    product *= INT_DATA(3);  // one limb, in place
    EXPECT_EQ(product.to_text(), "55340232221128654848");
    product /= INT_DATA(6);
    EXPECT_EQ(product.to_text(), "9223372036854775808");
    int64_t out = 0;
    EXPECT_FALSE(product.to_int64(out));
    product -= one;
    ASSERT_TRUE(product.to_int64(out));
    EXPECT_EQ(out, INT64_MAX);

    // A remainder of a long dividend fits a word; a quotient by a long
    // divisor is zero.
    const INT_DATA big = from("123456789012345678901234567890");
    EXPECT_EQ((big % from("1000000007")).to_text(), "197434842");
    EXPECT_EQ((big % from(past_word)).to_text(), "14083847773837265618");
    EXPECT_EQ((from(word_top) / big).to_text(), "0");
    EXPECT_EQ((from(word_top) % big).to_text(), word_top);
    // Three limbs that still fit the word, and the first three that do not.
    const INT_DATA limbs3 = from("1000000000000000000") * from("10");
    EXPECT_EQ(limbs3.to_text(), "10000000000000000000");
    EXPECT_EQ((limbs3 * from("2")).to_text(), "20000000000000000000");
    EXPECT_EQ((from(past_word) - from("2")).to_text(), "18446744073709551614");

    // Powers, gcd and the factorial across the border.
    EXPECT_EQ(INT_DATA(2).power(INT_DATA(64)).to_text(), past_word);
    EXPECT_EQ(INT_DATA::gcd(from(past_word), INT_DATA(48)).to_text(), "16");
    EXPECT_EQ(INT_DATA::factorial(INT_DATA(21)).to_text(), "51090942171709440000");
    EXPECT_EQ((INT_DATA::factorial(INT_DATA(21)) / INT_DATA(21)).to_text(), "2432902008176640000");
}

TEST(IntLayoutTest, RealScalesMoveTheMantissaBetweenForms) {
    REAL_DATA real("1.5");
    real.set_scale(30);
    EXPECT_EQ(real.to_text(30), "1.500000000000000000000000000000");
    real.set_scale(1);
    EXPECT_EQ(real.to_text(2), "1.50");
    real.set_scale(19);
    EXPECT_EQ(real.to_text(19), "1.5000000000000000000");
    real.set_scale(0);
    EXPECT_EQ(real.to_text(1), "1.0");
    REAL_DATA tiny("-0.000123456789012345678901234567");
    tiny.set_scale(5);
    EXPECT_EQ(tiny.to_text(5), "-0.00012");
}

TEST(IntLayoutTest, CopiesShareABlockUntilOneChanges) {
    const std::string text = "987654321987654321987654321987654321";
    INT_DATA original = from(text);
    INT_DATA copy = original;
    INT_DATA assigned(5);
    assigned = original;
    copy += INT_DATA(1);
    assigned *= INT_DATA(2);
    EXPECT_EQ(original.to_text(), text);
    EXPECT_EQ(copy.to_text(), "987654321987654321987654321987654322");
    EXPECT_EQ(assigned.to_text(), "1975308643975308643975308643975308642");

    // A word assigned over a shared block leaves the block to the others.
    INT_DATA first = original;
    INT_DATA second = first;
    first = INT_DATA(7);
    EXPECT_EQ(first.to_text(), "7");
    EXPECT_EQ(second.to_text(), text);
    second.assign_int64(-3);
    EXPECT_EQ(second.to_text(), "-3");
    EXPECT_EQ(original.to_text(), text);

    // Moves take the block; the source is left empty.
    INT_DATA moved = std::move(copy);
    EXPECT_EQ(moved.to_text(), "987654321987654321987654321987654322");
    EXPECT_TRUE(copy.is_empty());
    INT_DATA target = original;
    target = std::move(moved);
    EXPECT_EQ(target.to_text(), "987654321987654321987654321987654322");
    EXPECT_EQ(original.to_text(), text);

    // Self-assignment keeps the value in both forms.
    INT_DATA& alias = target;
    target = alias;
    EXPECT_EQ(target.to_text(), "987654321987654321987654321987654322");
    INT_DATA word(42);
    INT_DATA& word_alias = word;
    word = word_alias;
    EXPECT_EQ(word.to_text(), "42");
    word *= word_alias;
    EXPECT_EQ(word.to_text(), "1764");
}

TEST(IntLayoutTest, KeptTextsAndLeadingGroupsInBothForms) {
    // A word: the text stays as written, copies and moves get the plain one.
    INT_DATA kept = from("007");
    EXPECT_EQ(kept.to_text(), "007");
    EXPECT_EQ(groups_of(kept), (std::vector<int>{7, 0}));
    INT_DATA copy = kept;
    EXPECT_EQ(copy.to_text(), "7");
    EXPECT_EQ(groups_of(copy), (std::vector<int>{7, 0}));
    INT_DATA moved = std::move(kept);
    EXPECT_EQ(moved.to_text(), "7");
    EXPECT_EQ(groups_of(moved), (std::vector<int>{7, 0}));
    moved += INT_DATA(1);
    EXPECT_EQ(groups_of(moved), (std::vector<int>{8}));

    // Limbs: the same.
    const std::string long_text = "000123456789012345678901234567890";
    INT_DATA long_kept = from(long_text);
    EXPECT_EQ(long_kept.to_text(), long_text);
    EXPECT_EQ(long_kept.limb_count(), 12);
    INT_DATA long_copy = long_kept;
    EXPECT_EQ(long_copy.to_text(), "123456789012345678901234567890");
    EXPECT_EQ(long_copy.limb_count(), 12);
    long_copy.strip();
    EXPECT_EQ(long_copy.limb_count(), 10);

    // Hundreds of leading zeros: the count goes beyond what the object holds
    // itself and must follow copies, moves and assignments all the same.
    const std::string zeros(600, '0');
    INT_DATA wide = from(zeros + "5");
    EXPECT_EQ(wide.to_text(), zeros + "5");
    EXPECT_EQ(wide.limb_count(), 201);
    EXPECT_EQ(wide.limb(0), 5);
    INT_DATA wide_copy = wide;
    EXPECT_EQ(wide_copy.limb_count(), 201);
    EXPECT_EQ(wide_copy.to_text(), "5");  // the plain text is now cached
    INT_DATA wide_moved = std::move(wide_copy);
    EXPECT_EQ(wide_moved.limb_count(), 201);
    EXPECT_EQ(wide_moved.to_text(), "5");
    EXPECT_EQ(wide_copy.limb_count(), 0);
    INT_DATA over(9);
    over = wide;
    EXPECT_EQ(over.limb_count(), 201);
    EXPECT_EQ(over.to_text(), "5");
    over = std::move(wide);
    EXPECT_EQ(over.limb_count(), 201);
    over.assign_int64(12);
    EXPECT_EQ(over.limb_count(), 1);
    EXPECT_EQ(over.to_text(), "12");
    const std::string long_zeros(900, '0');
    INT_DATA wide_long = from(long_zeros + past_word);
    EXPECT_EQ(wide_long.limb_count(), (900 + 20) / 3 + 1);
    INT_DATA wide_long_copy = wide_long;
    EXPECT_EQ(groups_of(wide_long_copy), groups_of(wide_long));
    EXPECT_EQ(wide_long_copy.to_text(), past_word);
}

// Texts of numbers that come and go in any order, swapped by moves and
// reused after their owners die, each stay with their own number.
TEST(IntLayoutTest, CachedTextsStayWithTheirNumbers) {
    std::vector<INT_DATA> numbers;
    for (int i = 0; i < 300; ++i) {
        numbers.push_back(i % 3 == 0 ? from("00" + std::to_string(i)) : INT_DATA(static_cast<long>(i) * 7919));
        numbers.back().to_text();
    }
    for (size_t i = 0; i < numbers.size(); i += 2) numbers[i] = INT_DATA(static_cast<long>(i) + 1000000);
    for (size_t i = 1; i + 2 < numbers.size(); i += 4) std::swap(numbers[i], numbers[i + 2]);
    std::vector<INT_DATA> later;
    for (int i = 0; i < 300; ++i) {
        later.push_back(from(std::to_string(i + 1) + "000000000000000000000000"));
        later.back().to_text();
    }
    for (size_t i = 0; i < numbers.size(); ++i) {
        size_t at = i;
        if (i % 2 == 1) at = (i % 4 == 1 && i + 2 < numbers.size()) ? i + 2 : (i % 4 == 3 ? i - 2 : i);
        std::string want;
        if (i % 2 == 0) {
            want = std::to_string(i + 1000000);
        } else if (at % 3 == 0) {
            want = "00" + std::to_string(at);
        } else {
            want = std::to_string(at * 7919);
        }
        // A moved number keeps only a plain text.
        if (i != at && at % 3 == 0) want = std::to_string(at);
        EXPECT_EQ(numbers[i].to_text(), want) << i;
    }
    for (int i = 0; i < 300; ++i) EXPECT_EQ(later[i].to_text(), std::to_string(i + 1) + "000000000000000000000000");
}

TEST(IntLayoutTest, SignedZerosAndEmptyNumbers) {
    const INT_DATA big = from("123456789012345678901234567890");
    INT_DATA zero = big * from("-0");
    EXPECT_EQ(zero.sign(), -1);
    EXPECT_EQ(zero.to_text(), "0");
    EXPECT_TRUE(zero == INT_DATA(0));
    INT_DATA zero_copy = zero;
    EXPECT_EQ(zero_copy.sign(), -1);
    EXPECT_EQ((big - big).sign(), 1);
    EXPECT_EQ((big.negated() + big).sign(), 1);
    INT_DATA quotient = from("-5") / big;
    EXPECT_EQ(quotient.sign(), -1);
    EXPECT_TRUE(quotient.is_zero());

    // The empty number: no groups, sign 0, and it stays empty through copies
    // and assignment over either form.
    const INT_DATA empty;
    EXPECT_EQ(empty.limb_count(), 0);
    EXPECT_EQ(empty.sign(), 0);
    EXPECT_EQ(empty.to_text(), "0");
    INT_DATA over_word(3);
    over_word = empty;
    EXPECT_TRUE(over_word.is_empty());
    INT_DATA over_block = big;
    over_block = empty;
    EXPECT_TRUE(over_block.is_empty());
    EXPECT_EQ(over_block.limb_count(), 0);
    EXPECT_EQ(over_block.to_text(), "0");
    EXPECT_EQ((empty * big).sign(), 0);
    EXPECT_TRUE((empty * big).is_zero());
    EXPECT_EQ((big + empty).to_text(), big.to_text());
    INT_DATA null_text(static_cast<const char*>(nullptr));
    EXPECT_TRUE(null_text.is_empty());
    EXPECT_EQ((null_text + INT_DATA(2)).to_text(), "2");
}

}  // namespace
}  // namespace morvu
