// INT_DATA's small form: values below 2^64 held as a machine word beside the
// limb form. The cases cross the borders between the forms (2^63, 10^18,
// 2^64, the one- and two-limb borders), compare every operation on small
// operands with the same operation on limb-form operands, and check that
// copies, moves, texts and empty numbers behave as they do in the limb form.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "numbers/int_data.h"

namespace morvu {
namespace {

static_assert(sizeof(INT_DATA) <= 40, "an int payload stays within 40 bytes");

INT_DATA from(const std::string& text) { return INT_DATA(text.c_str()); }

INT_DATA small(int64_t value) {
    INT_DATA number;
    number.assign_int64(value);
    return number;
}

// The same value in the limb form: a difference with a long operand is built
// by the limb kernels.
INT_DATA in_limbs(const INT_DATA& value) {
    static const INT_DATA big("1000000000000000000000000000000");
    INT_DATA result = (value + big) - big;
    result.set_sign(value.sign());
    return result;
}

std::vector<int> groups_of(const INT_DATA& value) {
    std::vector<int> groups;
    for (int i = 0; i < value.limb_count(); ++i) groups.push_back(value.limb(i));
    return groups;
}

// Text, sign, groups and machine value together: two numbers that agree on
// all of them are indistinguishable to a caller.
void expect_same(const INT_DATA& got, const INT_DATA& want, const std::string& what) {
    EXPECT_EQ(got.to_text(), want.to_text()) << what;
    EXPECT_EQ(got.sign(), want.sign()) << what;
    EXPECT_EQ(groups_of(got), groups_of(want)) << what;
    int64_t a = 0;
    int64_t b = 0;
    const bool fits = got.to_int64(a);
    EXPECT_EQ(fits, want.to_int64(b)) << what;
    if (fits) {
        EXPECT_EQ(a, b) << what;
    }
    EXPECT_TRUE(got == want) << what;
}

TEST(IntSmallFormTest, MachineBordersRoundTrip) {
    const int64_t values[] = {0,
                              1,
                              -1,
                              999'999'999,
                              1'000'000'000,
                              -1'000'000'000,
                              999'999'999'999'999'999,
                              1'000'000'000'000'000'000,
                              -1'000'000'000'000'000'000,
                              INT64_MAX,
                              INT64_MIN};
    for (int64_t value : values) {
        INT_DATA number = small(value);
        int64_t back = 0;
        ASSERT_TRUE(number.to_int64(back)) << value;
        EXPECT_EQ(back, value);
        EXPECT_EQ(number.to_text(), std::to_string(value));
        // The groups are those of the same value built by the limb kernels.
        EXPECT_EQ(groups_of(number), groups_of(in_limbs(number))) << value;
        // Built from a machine integer, the groups are those of its text.
        EXPECT_EQ(groups_of(INT_DATA(static_cast<long>(value))), groups_of(from(std::to_string(value)))) << value;
    }
    EXPECT_EQ(groups_of(small(1'000'000'000'000'000'000)), (std::vector<int>{0, 0, 0, 0, 0, 0, 1}));
}

TEST(IntSmallFormTest, OverflowPromotesAndDifferencesDemote) {
    const INT_DATA one(1);
    INT_DATA past = small(INT64_MAX) + one;
    int64_t out = 0;
    EXPECT_EQ(past.to_text(), "9223372036854775808");
    EXPECT_FALSE(past.to_int64(out));
    EXPECT_TRUE(past.negated().to_int64(out));
    EXPECT_EQ(out, INT64_MIN);
    EXPECT_FALSE((small(INT64_MIN) - one).to_int64(out));
    EXPECT_EQ((small(INT64_MIN) - one).to_text(), "-9223372036854775809");
    // The magnitude of INT64_MIN negated is beyond the positive range.
    EXPECT_FALSE(small(INT64_MIN).negated().to_int64(out));

    // Past 2^64 the sum leaves the machine word.
    const INT_DATA top = from("18446744073709551615");
    EXPECT_EQ((top + one).to_text(), "18446744073709551616");
    EXPECT_EQ((top + top).to_text(), "36893488147419103230");
    EXPECT_EQ((top.negated() - one).to_text(), "-18446744073709551616");

    // Back from a long value to one that fits.
    INT_DATA long_value = from("1000000000000000000000000000005");
    INT_DATA back = long_value - from("1000000000000000000000000000000");
    ASSERT_TRUE(back.to_int64(out));
    EXPECT_EQ(out, 5);
    INT_DATA counter = past;
    counter -= one;
    ASSERT_TRUE(counter.to_int64(out));
    EXPECT_EQ(out, INT64_MAX);
}

TEST(IntSmallFormTest, ProductsOverflowingTheWord) {
    const INT_DATA two32 = small(4'294'967'296);
    EXPECT_EQ((two32 * two32).to_text(), "18446744073709551616");
    EXPECT_EQ((two32 * small(-4'294'967'295)).to_text(), "-18446744069414584320");
    INT_DATA running = small(3'037'000'500);
    running *= running;  // just past 2^63: a word, not an int64
    EXPECT_EQ(running.to_text(), "9223372037000250000");
    int64_t out = 0;
    EXPECT_FALSE(running.to_int64(out));
    running *= small(-1'000'000'000'000);
    EXPECT_EQ(running.to_text(), "-9223372037000250000000000000000");
    // A zero product keeps the product of the signs.
    INT_DATA zero = small(-5);
    zero *= small(0);
    EXPECT_EQ(zero.sign(), -1);
    EXPECT_EQ(zero.to_text(), "0");
    EXPECT_TRUE(zero == INT_DATA(0));
    // A factorial runs from the word into the limbs.
    INT_DATA f(1);
    for (int k = 2; k <= 25; ++k) f *= INT_DATA(k);
    EXPECT_EQ(f.to_text(), "15511210043330985984000000");
}

// Every operation on small operands against the same operation on the same
// values in the limb form.
TEST(IntSmallFormTest, OperationsAgreeWithTheLimbForm) {
    const std::vector<INT_DATA> values = {small(0),
                                          small(1),
                                          small(-1),
                                          small(7),
                                          small(-3),
                                          small(999'999'999),
                                          small(-1'000'000'000),
                                          small(999'999'999'999'999'999),
                                          small(1'000'000'000'000'000'000),
                                          small(INT64_MAX),
                                          small(INT64_MIN),
                                          from("18446744073709551615"),
                                          from("-9999999999999999999"),
                                          small(0).negated()};
    for (const INT_DATA& a : values) {
        for (const INT_DATA& b : values) {
            const INT_DATA la = in_limbs(a);
            const INT_DATA lb = in_limbs(b);
            const std::string what = a.to_text() + " " + b.to_text();
            expect_same(a + b, la + lb, what + " +");
            expect_same(a - b, la - lb, what + " -");
            expect_same(a * b, la * lb, what + " *");
            if (!b.is_zero()) {
                expect_same(a / b, la / lb, what + " /");
                expect_same(a % b, la % lb, what + " %");
            }
            EXPECT_EQ(a < b, la < lb) << what;
            EXPECT_EQ(a == b, la == lb) << what;
            EXPECT_EQ(a < lb, la < b) << what;
            INT_DATA product = a;
            product *= b;
            expect_same(product, la * lb, what + " *=");
            INT_DATA sum = a;
            sum += b;
            expect_same(sum, la + lb, what + " +=");
            INT_DATA difference = a;
            difference -= b;
            expect_same(difference, la - lb, what + " -=");
        }
        INT_DATA twice = a;
        twice += twice;
        expect_same(twice, in_limbs(a) + in_limbs(a), a.to_text() + " doubled");
        INT_DATA counter = a;
        expect_same(counter.post_increment(), a, a.to_text() + " ++");
        expect_same(counter, in_limbs(a) + INT_DATA(1), a.to_text() + " + 1");
    }
}

// append_text writes what to_text gives, whether or not the text is cached,
// for kept texts ("007"), zeros of either sign, words and limbs.
TEST(IntSmallFormTest, AppendedTextIsTheText) {
    std::vector<INT_DATA> values = {from("007"),
                                    from("-0"),
                                    from("0"),
                                    from("42"),
                                    from("-42"),
                                    from("18446744073709551615"),
                                    from("18446744073709551616"),
                                    from("-123456789012345678901234567890")};
    INT_DATA computed;
    computed.assign_int64(-9876543210);
    values.push_back(computed);
    INT_DATA product = from("-3") * from("0");
    values.push_back(product);
    for (const INT_DATA& value : values) {
        std::string appended = "x";
        value.append_text(appended);
        EXPECT_EQ(appended, "x" + value.to_text());
        std::string again;
        value.append_text(again);  // now from the cache
        EXPECT_EQ(again, value.to_text());
    }
}

TEST(IntSmallFormTest, TextsWithLeadingZeros) {
    const INT_DATA text("007");
    EXPECT_EQ(text.to_text(), "007");
    EXPECT_EQ(groups_of(text), (std::vector<int>{7, 0}));
    // A small value given the text's number takes its groups; the text
    // itself stays with the original.
    INT_DATA number = small(7);
    number = from("007");
    EXPECT_EQ(number.to_text(), "7");
    EXPECT_EQ(groups_of(number), (std::vector<int>{7, 0}));
    number.assign_int64(7);
    EXPECT_EQ(number.to_text(), "7");
    EXPECT_EQ(groups_of(number), (std::vector<int>{7}));

    // Many leading zeros before a small value: the text and its groups stay.
    const std::string padded = "0000000000000000000000000042";
    INT_DATA long_text = from(padded);
    EXPECT_EQ(long_text.to_text(), padded);
    EXPECT_EQ(long_text.limb_count(), 10);
    EXPECT_EQ(long_text.limb(0), 42);
    int64_t out = 0;
    ASSERT_TRUE(long_text.to_int64(out));
    EXPECT_EQ(out, 42);
    EXPECT_EQ((long_text + INT_DATA(1)).to_text(), "43");
    // Nineteen digits stay in the word, twenty go to the limbs.
    EXPECT_EQ(from("-9999999999999999999").to_text(), "-9999999999999999999");
    EXPECT_EQ((from("9999999999999999999") + INT_DATA(1)).to_text(), "10000000000000000000");
    EXPECT_EQ(from("-0").sign(), -1);
    EXPECT_EQ(from("-0").to_text(), "0");
}

TEST(IntSmallFormTest, CopiesShareNothing) {
    INT_DATA a = small(5);
    INT_DATA b(a);
    b += INT_DATA(1);
    EXPECT_EQ(a.to_text(), "5");
    EXPECT_EQ(b.to_text(), "6");

    // A small value over a long one, and a long one over a small one.
    INT_DATA long_value = from("123456789012345678901234567890123456789012345678901234567890");
    INT_DATA shared(long_value);
    shared = a;
    EXPECT_EQ(shared.to_text(), "5");
    EXPECT_EQ(long_value.to_text(), "123456789012345678901234567890123456789012345678901234567890");
    shared = long_value;
    shared *= INT_DATA(2);
    EXPECT_EQ(long_value.to_text(), "123456789012345678901234567890123456789012345678901234567890");
    EXPECT_EQ(shared.to_text(), "246913578024691357802469135780246913578024691357802469135780");
    shared.assign_int64(-12);
    EXPECT_EQ(shared.to_text(), "-12");
    EXPECT_EQ(long_value.limb(0), 890);

    // Moves leave the source empty and keep the value.
    INT_DATA moved(std::move(b));
    EXPECT_EQ(moved.to_text(), "6");
    EXPECT_TRUE(b.is_empty());
    INT_DATA target = from("99999999999999999999999999999999999999999999");
    target = std::move(moved);
    EXPECT_EQ(target.to_text(), "6");
    EXPECT_TRUE(moved.is_empty());
}

TEST(IntSmallFormTest, EmptyNumbers) {
    INT_DATA empty;
    int64_t out = 0;
    EXPECT_FALSE(empty.to_int64(out));
    EXPECT_TRUE(empty.is_zero());
    EXPECT_EQ((empty * small(5)).sign(), 0);
    EXPECT_EQ((empty + small(-5)).to_text(), "-5");
    EXPECT_EQ(machine_int(empty), 0);
    INT_DATA number = small(12);
    number.free_limbs();
    EXPECT_TRUE(number.is_empty());
    EXPECT_EQ(number.limb_count(), 0);
    number.assign_int64(3);
    EXPECT_EQ(number.to_text(), "3");
}

TEST(IntSmallFormTest, MachineIntSaturates) {
    EXPECT_EQ(machine_int(small(5)), 5);
    EXPECT_EQ(machine_int(small(INT32_MIN)), INT32_MIN);
    EXPECT_EQ(machine_int(small(int64_t{1} << 40)), INT32_MAX);
    EXPECT_EQ(machine_int(small(-(int64_t{1} << 40))), INT32_MIN);
    EXPECT_EQ(machine_int(from("18446744073709551615")), INT32_MAX);
    EXPECT_EQ(machine_int(from("-00000000000000000000000000012")), -12);
}

}  // namespace
}  // namespace morvu
