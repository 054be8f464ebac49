// INT_DATA: construction and text, the base-1000 group view, comparison,
// arithmetic and the number-theory functions. Random operands are covered by
// number_oracle_test.cpp; these are the edge cases.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "numbers/arith_error.h"
#include "numbers/int_data.h"

namespace morvu {
namespace {

std::string text_of(const INT_DATA& value) { return value.to_text(); }

INT_DATA from(const std::string& text) { return INT_DATA(text.c_str()); }

std::vector<int> groups_of(const INT_DATA& value) {
    std::vector<int> groups;
    for (int i = 0; i < value.limb_count(); ++i) groups.push_back(value.limb(i));
    return groups;
}

// --- construction and text ---------------------------------------------------

TEST(IntDataTextTest, FromMachineIntegers) {
    INT_DATA zero(0);
    EXPECT_EQ(zero.digits(), "0");
    EXPECT_EQ(groups_of(zero), std::vector<int>({0}));
    EXPECT_EQ(zero.sign(), 1);
    EXPECT_EQ(text_of(zero), "0");

    INT_DATA lowest(INT_MIN);
    EXPECT_EQ(lowest.sign(), -1);
    EXPECT_EQ(groups_of(lowest), std::vector<int>({648, 483, 147, 2}));
    EXPECT_EQ(text_of(lowest), "-2147483648");

    EXPECT_EQ(text_of(INT_DATA(LONG_MIN)), "-9223372036854775808");
    EXPECT_EQ(text_of(INT_DATA(LONG_MAX)), "9223372036854775807");
    EXPECT_EQ(groups_of(INT_DATA(123)), std::vector<int>({123, 0}));  // built as from the text "123"
}

TEST(IntDataTextTest, GroupsFollowTheTextLength) {
    EXPECT_EQ(groups_of(INT_DATA("1000")), std::vector<int>({0, 1}));
    INT_DATA nines("999");
    EXPECT_EQ(groups_of(nines), std::vector<int>({999, 0}));
    EXPECT_EQ(text_of(nines), "999");
    EXPECT_EQ(groups_of(INT_DATA("123456789012")), std::vector<int>({12, 789, 456, 123, 0}));
    EXPECT_EQ(INT_DATA("1234567890123").limb(4), 1);
    EXPECT_EQ(INT_DATA("5").limb(7), 0);  // beyond the count

    INT_DATA zeros("000000");
    EXPECT_EQ(zeros.limb_count(), 3);
    zeros.strip();
    EXPECT_EQ(zeros.limb_count(), 1);
    // Results of arithmetic carry no leading zero groups.
    EXPECT_EQ((INT_DATA("999") + INT_DATA(1)).limb_count(), 2);
    EXPECT_EQ((INT_DATA("1000") - INT_DATA(1)).limb_count(), 1);
}

TEST(IntDataTextTest, TextIsKeptUntilTheValueChanges) {
    INT_DATA padded("007");
    EXPECT_EQ(text_of(padded), "007");
    EXPECT_EQ(text_of(INT_DATA(padded)), "7");
    INT_DATA assigned;
    assigned = padded;
    EXPECT_EQ(text_of(assigned), "7");
    INT_DATA moved(std::move(padded));
    EXPECT_EQ(text_of(moved), "7");  // a move is a copy as far as the text goes

    EXPECT_EQ(text_of(INT_DATA("-007")), "-007");
    EXPECT_EQ(INT_DATA("+12"), INT_DATA(12));
    EXPECT_EQ(INT_DATA("-0"), INT_DATA(0));
    EXPECT_EQ(INT_DATA("-0").sign(), -1);
    EXPECT_EQ(text_of(INT_DATA("-0")), "0");
    EXPECT_EQ(text_of(INT_DATA("000")), "0");
    EXPECT_EQ(text_of(INT_DATA("")), "0");
    EXPECT_FALSE(INT_DATA("").is_empty());
}

TEST(IntDataTextTest, StrayCharactersCountAsTheirGroupsDo) {
    // Texts are not validated: each group of three characters from the right
    // is read as atol reads it, and the text itself is kept.
    INT_DATA dashed("12-50");
    EXPECT_EQ(dashed, INT_DATA(11950));
    EXPECT_EQ(text_of(dashed), "12-50");
    EXPECT_EQ(INT_DATA("abc"), INT_DATA(0));
    EXPECT_EQ(INT_DATA(" 12"), INT_DATA(12));
    INT_DATA plus("+1234");
    EXPECT_EQ(text_of(plus), "+1234");
    EXPECT_EQ(text_of(INT_DATA(plus)), "1234");
}

TEST(IntDataTextTest, EmptyObject) {
    INT_DATA empty;
    EXPECT_TRUE(empty.is_empty());
    EXPECT_EQ(empty.sign(), 0);
    EXPECT_EQ(empty.limb_count(), 0);
    EXPECT_EQ(text_of(empty), "0");
    EXPECT_EQ(empty.digits(), "0");
    INT_DATA from_null(nullptr);
    EXPECT_TRUE(from_null.is_empty());
    EXPECT_TRUE(INT_DATA(empty).is_empty());
    INT_DATA target(5);
    target = empty;
    EXPECT_TRUE(target.is_empty());
    EXPECT_TRUE(empty.negated().is_empty());
}

TEST(IntDataTextTest, SignedZeroAndRepeatedText) {
    INT_DATA negative_zero = INT_DATA(0) * INT_DATA(-5);
    EXPECT_EQ(negative_zero.sign(), -1);
    EXPECT_EQ(text_of(negative_zero), "0");
    INT_DATA number("-123456789123456789");
    std::string first = number.to_text();
    EXPECT_EQ(number.to_text(), first);
    number.set_sign(1);
    EXPECT_EQ(text_of(number), "123456789123456789");
}

TEST(IntDataTextTest, LongTextsRoundTrip) {
    std::string digits;
    for (int i = 0; i < 3000; ++i) digits.push_back(static_cast<char>('1' + i % 9));
    EXPECT_EQ(text_of(INT_DATA(from(digits))), digits);
    EXPECT_EQ(text_of(INT_DATA(from("-" + digits))), "-" + digits);
    std::string power = "1" + std::string(900, '0');
    EXPECT_EQ(text_of(INT_DATA(from(power))), power);
}

TEST(IntDataTextTest, FreeAndSplitLimbs) {
    INT_DATA value("-123456");
    value.free_limbs();
    EXPECT_TRUE(value.is_empty());
    EXPECT_EQ(value.sign(), -1);
    value.split_limbs(3);
    EXPECT_EQ(value, INT_DATA(-123456));
    EXPECT_EQ(value.limb_count(), 3);
}

TEST(IntDataTextTest, SelfAssignmentKeepsTheValue) {
    INT_DATA value("123456789012345678901234567890123456789012345678901234567890");
    INT_DATA& alias = value;
    value = alias;
    EXPECT_EQ(text_of(value), "123456789012345678901234567890123456789012345678901234567890");
    value = std::move(alias);
    EXPECT_EQ(text_of(value), "123456789012345678901234567890123456789012345678901234567890");
}

// --- comparison -------------------------------------------------------------

TEST(IntDataCompareTest, ZerosOfEitherSignAreEqual) {
    INT_DATA zero(0);
    INT_DATA negative_zero("-0");
    INT_DATA empty;
    EXPECT_TRUE(zero == negative_zero);
    EXPECT_TRUE(zero == empty);
    EXPECT_FALSE(zero < negative_zero);
    EXPECT_FALSE(negative_zero < zero);
    EXPECT_TRUE(zero <= negative_zero && zero >= negative_zero);
    EXPECT_TRUE(negative_zero >= zero);
    EXPECT_TRUE(empty < INT_DATA(1));  // the empty object orders as zero
    EXPECT_TRUE(INT_DATA(-1) < empty);
}

TEST(IntDataCompareTest, OrderBySignThenMagnitude) {
    EXPECT_TRUE(INT_DATA(-5) < INT_DATA(3));
    EXPECT_TRUE(INT_DATA(-5) < INT_DATA(-3));
    EXPECT_FALSE(INT_DATA(-3) < INT_DATA(-5));
    EXPECT_TRUE(INT_DATA("-0") < INT_DATA(5));
    EXPECT_FALSE(INT_DATA("-0") < INT_DATA(-5));
    EXPECT_TRUE(INT_DATA("999999999") < INT_DATA("1000000000"));
    EXPECT_TRUE(INT_DATA("-1000000000") < INT_DATA("-999999999"));
    EXPECT_TRUE(INT_DATA("000123") == INT_DATA(123));
    EXPECT_TRUE(INT_DATA(7) != INT_DATA(-7));
    EXPECT_TRUE(INT_DATA(7) > INT_DATA(-7));
}

// --- addition and subtraction ------------------------------------------------

TEST(IntDataAddTest, CarriesAndSigns) {
    EXPECT_EQ(groups_of(INT_DATA(999) + INT_DATA(1)), std::vector<int>({0, 1}));
    EXPECT_EQ(groups_of(INT_DATA(1000) - INT_DATA(1)), std::vector<int>({999}));
    INT_DATA cancelled = INT_DATA(5) + INT_DATA(-5);
    EXPECT_TRUE(cancelled.is_zero());
    EXPECT_EQ(cancelled.sign(), 1);
    EXPECT_EQ((INT_DATA("-0") - INT_DATA("-0")).sign(), 1);
    EXPECT_EQ(text_of(INT_DATA("999999999999999999") + INT_DATA(1)), "1000000000000000000");
    EXPECT_EQ(text_of(INT_DATA("1000000000000000000") - INT_DATA(1)), "999999999999999999");
    EXPECT_EQ(text_of(INT_DATA(3) - INT_DATA(10)), "-7");
    EXPECT_EQ(text_of(INT_DATA(-3) - INT_DATA(-10)), "7");
    EXPECT_EQ(text_of(INT_DATA("-0") + INT_DATA(-5)), "-5");
    EXPECT_EQ(text_of(INT_DATA() + INT_DATA(4)), "4");
}

TEST(IntDataAddTest, CompoundFormsAndCounters) {
    INT_DATA counter(999);
    INT_DATA old = counter.post_increment();
    EXPECT_EQ(text_of(old), "999");
    EXPECT_EQ(text_of(counter), "1000");
    EXPECT_EQ(text_of(counter.post_decrement()), "1000");
    EXPECT_EQ(text_of(counter), "999");

    INT_DATA value(10);
    INT_DATA copy = (value += INT_DATA(5));
    EXPECT_EQ(text_of(copy), "15");
    value -= INT_DATA(20);
    EXPECT_EQ(text_of(value), "-5");
    value *= INT_DATA(-3);
    EXPECT_EQ(text_of(value), "15");
    value /= INT_DATA(4);
    EXPECT_EQ(text_of(value), "3");
    value %= INT_DATA(2);
    EXPECT_EQ(text_of(value), "1");
    INT_DATA base(3);
    base.power_assign(INT_DATA(4));
    EXPECT_EQ(text_of(base), "81");
    value = INT_DATA(7);
    value += value;  // an operand that is the target itself
    EXPECT_EQ(text_of(value), "14");
}

// --- multiplication ----------------------------------------------------------

TEST(IntDataMulTest, SignsOfProducts) {
    INT_DATA product = INT_DATA(0) * INT_DATA(-5);
    EXPECT_EQ(product.sign(), -1);
    EXPECT_EQ(product, INT_DATA(0));
    EXPECT_EQ(text_of(product), "0");
    EXPECT_EQ((INT_DATA() * INT_DATA(5)).sign(), 0);  // an empty operand
    EXPECT_EQ(text_of(INT_DATA() * INT_DATA(5)), "0");
    EXPECT_EQ(text_of(INT_DATA(-4) * INT_DATA(-25)), "100");
    EXPECT_EQ(text_of(INT_DATA("999999999") * INT_DATA("999999999")), "999999998000000001");
}

TEST(IntDataMulTest, LongProductsAgreeWithTheirFactors) {
    // Operands long enough for the split products; the quotient undoes the
    // product and (10^n - 1)^2 has a known digit pattern.
    for (int n : {300, 361, 720, 2000}) {
        INT_DATA nines(from(std::string(n, '9')));
        std::string expected = std::string(n - 1, '9') + "8" + std::string(n - 1, '0') + "1";
        EXPECT_EQ(text_of(nines * nines), expected) << n;
    }
    std::string a_text, b_text;
    for (int i = 0; i < 1500; ++i) a_text.push_back(static_cast<char>('0' + (i * 7 + 3) % 10));
    for (int i = 0; i < 400; ++i) b_text.push_back(static_cast<char>('0' + (i * 3 + 1) % 10));
    INT_DATA a(from("1" + a_text));
    INT_DATA b(from("2" + b_text));
    INT_DATA product = a * b;
    EXPECT_EQ(product / b, a);
    EXPECT_TRUE((product % b).is_zero());
    EXPECT_EQ(product, b * a);
}

// --- division and remainder ---------------------------------------------------

TEST(IntDataDivTest, TruncatesTowardZero) {
    EXPECT_EQ(text_of(INT_DATA(-7) / INT_DATA(2)), "-3");
    EXPECT_EQ(text_of(INT_DATA(7) / INT_DATA(-2)), "-3");
    EXPECT_EQ(text_of(INT_DATA(-7) / INT_DATA(-2)), "3");
    EXPECT_EQ(text_of(INT_DATA(6) / INT_DATA(3)), "2");
    EXPECT_EQ(text_of(INT_DATA(2) / INT_DATA(3)), "0");
    INT_DATA quotient = INT_DATA(3) / INT_DATA(-5);
    EXPECT_EQ(quotient.sign(), -1);
    EXPECT_EQ(text_of(quotient), "0");
    EXPECT_EQ(text_of(INT_DATA("000123") / INT_DATA(7)), "17");
}

TEST(IntDataDivTest, RemainderSignRules) {
    EXPECT_EQ(text_of(INT_DATA(7) % INT_DATA(3)), "1");
    EXPECT_EQ(text_of(INT_DATA(-7) % INT_DATA(3)), "2");
    EXPECT_EQ(text_of(INT_DATA(-6) % INT_DATA(3)), "0");
    EXPECT_EQ(text_of(INT_DATA(7) % INT_DATA(-3)), "1");
    // A negative dividend by a negative divisor lies in 0 .. |divisor| - 1 too.
    EXPECT_EQ(text_of(INT_DATA(-7) % INT_DATA(-3)), "2");
    EXPECT_EQ(text_of(INT_DATA(-6) % INT_DATA(-3)), "0");
    EXPECT_EQ(text_of(INT_DATA(-1) % INT_DATA("-1000000000000")), "999999999999");
    EXPECT_EQ(text_of(INT_DATA(2) % INT_DATA(5)), "2");
}

TEST(IntDataDivTest, QuotientDigitCorrections) {
    // Operands for which the quotient digit estimated from the top limbs is
    // one too large and the divisor must be added back.
    struct CASE {
        const char* dividend;
        const char* divisor;
        const char* quotient;
        const char* remainder;
    };
    const CASE cases[] = {
        {"520601108939616364806394096000000000", "572136254611178002999999999", "909925047",
         "572136253701252955909925047"},
        {"63065504343292352365561061000000000", "930712774820096753999999999", "67760436",
         "930712774752336317067760436"},
        {"520601108939616364806394096000000000000000000123456789", "572136254611178002999999999",
         "909925047999999998409600790", "255901401140577628533057579"},
        {"5206011089396163648063940960000000000000000000000000000000000000000000000007",
         "5721362546111780029999999990000000000000000000000", "909925047999999998409600790",
         "2559014011405776284096007900000000000000000000007"},
    };
    for (const CASE& c : cases) {
        INT_DATA a(c.dividend);
        INT_DATA b(c.divisor);
        EXPECT_EQ(text_of(a / b), c.quotient) << c.dividend;
        EXPECT_EQ(text_of(a % b), c.remainder) << c.dividend;
    }
}

TEST(IntDataDivTest, ZeroDivisorThrowsArith) {
    const INT_DATA zeros[] = {INT_DATA(0), INT_DATA("-0"), INT_DATA()};
    for (const INT_DATA& zero : zeros) {
        try {
            (void)(INT_DATA(5) / zero);
            ADD_FAILURE() << "no ARITH for /";
        } catch (const ARITH& error) {
            EXPECT_EQ(error.code, 0);
            EXPECT_EQ(error.kind, 's');
        }
        EXPECT_THROW((void)(INT_DATA(5) % zero), ARITH);
        INT_DATA target(5);
        EXPECT_THROW(target /= zero, ARITH);
        EXPECT_THROW(target %= zero, ARITH);
        EXPECT_EQ(text_of(target), "5");  // left as it was
        INT_DATA result;
        EXPECT_THROW(INT_DATA::div_magnitudes(target, zero, result), ARITH);
        EXPECT_THROW(INT_DATA::mod_magnitudes(target, zero, result), ARITH);
    }
}

// --- magnitude operations ------------------------------------------------------

TEST(IntDataMagnitudeTest, IgnoreSignsAndFillTheResult) {
    INT_DATA result;
    INT_DATA::add_magnitudes(INT_DATA(-7), INT_DATA(5), result);
    EXPECT_EQ(text_of(result), "12");
    INT_DATA::sub_magnitudes(INT_DATA(-7), INT_DATA(5), result);
    EXPECT_EQ(text_of(result), "2");
    INT_DATA::mul_magnitudes(INT_DATA(-7), INT_DATA(-5), result);
    EXPECT_EQ(text_of(result), "35");
    INT_DATA::div_magnitudes(INT_DATA(-7), INT_DATA(2), result);
    EXPECT_EQ(text_of(result), "3");
    INT_DATA::mod_magnitudes(INT_DATA(-7), INT_DATA(3), result);
    EXPECT_EQ(result.sign(), -1);  // the dividend's sign stays
    EXPECT_EQ(text_of(result), "-1");
    INT_DATA::mod_magnitudes(INT_DATA(2), INT_DATA(7), result);
    EXPECT_EQ(text_of(result), "2");
}

// --- powers --------------------------------------------------------------------

TEST(IntDataPowerTest, SmallCases) {
    EXPECT_EQ(text_of(INT_DATA(2).power(INT_DATA(10))), "1024");
    EXPECT_EQ(text_of(INT_DATA(-2).power(INT_DATA(3))), "-8");
    EXPECT_EQ(text_of(INT_DATA(-2).power(INT_DATA(4))), "16");
    EXPECT_EQ(text_of(INT_DATA(5).power(INT_DATA(0))), "1");
    EXPECT_EQ(text_of(INT_DATA(0).power(INT_DATA(0))), "1");
    EXPECT_EQ(text_of(INT_DATA(5).power(INT_DATA(-1))), "1");
    EXPECT_EQ(text_of(INT_DATA(0).power(INT_DATA(5))), "0");
}

TEST(IntDataPowerTest, TrivialBasesTakeAnyExponent) {
    INT_DATA huge("100000000000000000000000000000001");
    EXPECT_EQ(text_of(INT_DATA(1).power(huge)), "1");
    EXPECT_EQ(text_of(INT_DATA(-1).power(huge)), "-1");
    EXPECT_EQ(text_of(INT_DATA(-1).power(huge + INT_DATA(1))), "1");
    EXPECT_EQ(text_of(INT_DATA(0).power(huge)), "0");
    EXPECT_EQ(INT_DATA(10).power(INT_DATA(1000)), INT_DATA(("1" + std::string(1000, '0')).c_str()));
}

// --- number theory ----------------------------------------------------------------

TEST(IntDataPrimeTest, SmallAndNegativeNumbers) {
    EXPECT_FALSE(INT_DATA(1).is_prime());
    for (int p : {2, 3, 5, 7, 11, 13}) EXPECT_TRUE(INT_DATA(p).is_prime()) << p;
    for (int c : {4, 9, 25, 49, 121, 143, 169}) EXPECT_FALSE(INT_DATA(c).is_prime()) << c;
    EXPECT_FALSE(INT_DATA(0).is_prime());
    EXPECT_FALSE(INT_DATA(-7).is_prime());
    EXPECT_TRUE(INT_DATA(-11).is_prime());
    EXPECT_TRUE(INT_DATA(-1).is_prime());
    EXPECT_FALSE(INT_DATA(-35).is_prime());
}

TEST(IntDataPrimeTest, AgreesWithASieve) {
    const int limit = 20000;
    std::vector<bool> composite(limit + 1, false);
    for (int i = 2; i * i <= limit; ++i) {
        if (!composite[i]) {
            for (int j = i * i; j <= limit; j += i) composite[j] = true;
        }
    }
    for (int n = 2; n <= limit; ++n) ASSERT_EQ(INT_DATA(n).is_prime(), !composite[n]) << n;
}

TEST(IntDataPrimeTest, LargeNumbers) {
    // Carmichael numbers and strong pseudoprimes to several bases.
    for (const char* c : {"561", "3215031751", "2152302898747", "3474749660383", "341550071728321",
                          "3825123056546413051", "318665857834031151167461"}) {
        EXPECT_FALSE(INT_DATA(c).is_prime()) << c;
    }
    const std::string googol_next = "1" + std::string(97, '0') + "267";  // the first prime after 10^100
    const char* primes[] = {
        "2305843009213693951",                      // 2^61 - 1
        "18446744073709551557",                     // the largest prime below 2^64
        "618970019642690137449562111",              // 2^89 - 1
        "170141183460469231731687303715884105727",  // 2^127 - 1
        googol_next.c_str(),
    };
    for (const char* p : primes) EXPECT_TRUE(INT_DATA(p).is_prime()) << p;
    INT_DATA m61(primes[0]);
    INT_DATA m89(primes[2]);
    EXPECT_FALSE((m61 * m89).is_prime());
    EXPECT_FALSE((m89 * m89).is_prime());                        // a square
    EXPECT_FALSE(INT_DATA("147573952589676412927").is_prime());  // 2^67 - 1
    // Composite Mersenne numbers without small factors pass the base-2 round;
    // the Lucas test must reject them.
    EXPECT_FALSE(INT_DATA("2535301200456458802993406410751").is_prime());   // 2^101 - 1
    EXPECT_FALSE(INT_DATA("10141204801825835211973625643007").is_prime());  // 2^103 - 1
    EXPECT_FALSE((INT_DATA(primes[3]) * INT_DATA(primes[4])).is_prime());
}

TEST(IntDataTheoryTest, Factorial) {
    EXPECT_EQ(text_of(INT_DATA::factorial(INT_DATA(0))), "1");
    EXPECT_EQ(text_of(INT_DATA::factorial(INT_DATA(1))), "1");
    EXPECT_EQ(text_of(INT_DATA::factorial(INT_DATA(-5))), "1");
    EXPECT_EQ(text_of(INT_DATA::factorial(INT_DATA(5))), "120");
    EXPECT_EQ(text_of(INT_DATA::factorial(INT_DATA(25))), "15511210043330985984000000");
    // 1000! has 2568 digits, the last 249 of them zeros.
    std::string big = INT_DATA::factorial(INT_DATA(1000)).to_text();
    EXPECT_EQ(big.size(), 2568u);
    EXPECT_EQ(big.substr(0, 10), "4023872600");
    EXPECT_EQ(big.find_last_not_of('0'), 2568u - 249 - 1);
}

TEST(IntDataTheoryTest, Binomial) {
    auto binomial = [](int n, int k) { return INT_DATA::binomial(INT_DATA(n), INT_DATA(k)).to_text(); };
    EXPECT_EQ(binomial(5, 2), "10");
    EXPECT_EQ(binomial(5, 5), "1");
    EXPECT_EQ(binomial(5, 0), "1");
    EXPECT_EQ(binomial(2, 5), "0");
    EXPECT_EQ(binomial(5, -1), "1");
    EXPECT_EQ(binomial(0, 0), "1");
    EXPECT_EQ(binomial(5, 4), "5");
    EXPECT_EQ(binomial(100, 50), "100891344545564193334812497256");
    EXPECT_EQ(binomial(-3, -5), "1");
}

TEST(IntDataTheoryTest, GcdAndLcm) {
    auto gcd = [](long a, long b) { return INT_DATA::gcd(INT_DATA(a), INT_DATA(b)).to_text(); };
    auto lcm = [](long a, long b) { return INT_DATA::lcm(INT_DATA(a), INT_DATA(b)).to_text(); };
    EXPECT_EQ(gcd(12, 18), "6");
    EXPECT_EQ(gcd(-12, 18), "6");
    EXPECT_EQ(gcd(12, -18), "6");
    EXPECT_EQ(gcd(0, 7), "1");
    EXPECT_EQ(gcd(0, 0), "1");
    EXPECT_EQ(gcd(7, 7), "7");
    EXPECT_EQ(gcd(1, 1000000000000000000), "1");  // no longer one step per unit
    EXPECT_EQ(lcm(4, 6), "12");
    EXPECT_EQ(lcm(-4, 6), "-12");
    EXPECT_EQ(lcm(0, 5), "0");
    INT_DATA big("123456789012345678901234567890");
    EXPECT_EQ(text_of(INT_DATA::gcd(big * INT_DATA(35), big * INT_DATA(-21))), text_of(big * INT_DATA(7)));
    // The operands are the callers' and stay unchanged.
    INT_DATA a(-12);
    INT_DATA b(18);
    (void)INT_DATA::gcd(a, b);
    EXPECT_EQ(text_of(a), "-12");
}

}  // namespace
}  // namespace morvu
