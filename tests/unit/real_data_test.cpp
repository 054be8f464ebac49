// REAL_DATA: parsing, scale changes, the text form under the output
// precision, arithmetic, comparison and round_up_nines. Random operands are
// covered by number_oracle_test.cpp.

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "numbers/arith_error.h"
#include "numbers/real_data.h"
#include "runtime/settings.h"

namespace morvu {
namespace {

REAL_DATA real(const char* text) { return REAL_DATA(text); }

std::string mantissa_of(const REAL_DATA& value) { return value.mantissa.to_text(); }

// --- parsing -------------------------------------------------------------------

TEST(RealDataParseTest, ExponentMovesThePoint) {
    struct CASE {
        const char* text;
        const char* mantissa;
        int scale;
        const char* printed;
    };
    const CASE cases[] = {
        {"1.5e2", "1500", 1, "150"},  {"15e2", "1500", 0, "1500"},
        {"1.5e-2", "15", 3, "0.015"}, {"-1.5e-2", "-15", 3, "-0.015"},
        {"0.50", "50", 2, "0.5"},     {"1E3", "1000", 0, "1000"},
        {".5", "5", 1, "0.5"},        {"-.5", "-5", 1, "-0.5"},
        {"+1.5", "15", 1, "1.5"},     {"1.5e+1", "150", 1, "15"},
        {"15e-1", "15", 1, "1.5"},    {"007.25", "725", 2, "7.25"},
        {"1e0", "1", 0, "1"},         {"1e", "1", 0, "1"},
        {"1.5e", "15", 1, "1.5"},     {"1.5e+0", "15", 1, "1.5"},
    };
    for (const CASE& c : cases) {
        REAL_DATA value(c.text);
        EXPECT_EQ(mantissa_of(value), c.mantissa) << c.text;
        EXPECT_EQ(value.scale, c.scale) << c.text;
        EXPECT_EQ(value.to_text(-1), c.printed) << c.text;
    }
}

TEST(RealDataParseTest, ZeroTexts) {
    for (const char* text : {"", "-", "0.000", "-0", "0e5", "-0.0e-3"}) {
        REAL_DATA value(text);
        EXPECT_EQ(value, REAL_DATA(0)) << text;
        EXPECT_EQ(value.to_text(-1), "0") << text;
        EXPECT_EQ(value.to_text(2), "0") << text;
    }
    EXPECT_EQ(REAL_DATA("0.000").scale, 3);
}

TEST(RealDataParseTest, ExponentsOutOfRangeAreRefused) {
    for (const char* text :
         {"1e99999999999999999999999", "1e-99999999999999999999999", "1e10000001", "-2.5E-10000001", "1e2147483648"}) {
        EXPECT_FALSE(REAL_DATA::text_in_range(text)) << text;
        try {
            REAL_DATA value(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const ARITH& error) {
            EXPECT_EQ(error.code, 1);
            EXPECT_EQ(error.message, text);
        }
    }
    EXPECT_TRUE(REAL_DATA::text_in_range("1e10000000"));
    EXPECT_TRUE(REAL_DATA::text_in_range("-1.25e-10000000"));
    EXPECT_TRUE(REAL_DATA::text_in_range("12.5"));
    REAL_DATA large("1e100000");
    EXPECT_EQ(large.mantissa.to_text().size(), 100001u);
    REAL_DATA tiny("1e-100000");
    EXPECT_EQ(tiny.scale, 100000);
    EXPECT_EQ(mantissa_of(tiny), "1");
}

TEST(RealDataParseTest, MalformedTextsGiveSomeValue) {
    // Callers check texts first; anything else still parses without harm.
    const char* const texts[] = {"x.y", "1.2.3", "1e+", "e5", ".", "--1", "1e2e3", nullptr};
    for (const char* text : texts) {
        REAL_DATA value(text);
        EXPECT_FALSE(value.to_text(-1).empty()) << (text ? text : "null");
    }
    EXPECT_EQ(REAL_DATA("1e2e1").to_text(-1), "1000000000000000000000");  // exponent "21"
}

TEST(RealDataArithTest, ScalesBeyond32BitsCannotBeHeld) {
    REAL_DATA tiny("1e-10000000");
    for (int i = 0; i < 7; ++i) tiny = tiny * tiny;  // scale 1.28e9
    EXPECT_EQ(tiny.scale, 1280000000);
    EXPECT_THROW((void)(tiny * tiny), std::bad_alloc);
    EXPECT_THROW((void)(REAL_DATA(1) / tiny / tiny), std::bad_alloc);
}

// --- scale ---------------------------------------------------------------------

TEST(RealDataScaleTest, CutsTowardZeroAndPads) {
    REAL_DATA half("-0.5");
    half.set_scale(0);
    EXPECT_TRUE(half.mantissa.is_zero());
    EXPECT_EQ(half.mantissa.sign(), -1);
    EXPECT_EQ(half, REAL_DATA(0));
    EXPECT_EQ(half.to_text(-1), "0");

    REAL_DATA small("0.05");
    small.set_scale(1);
    EXPECT_EQ(mantissa_of(small), "0");
    EXPECT_EQ(small.scale, 1);

    REAL_DATA value("1.5");
    value.set_scale(4);
    EXPECT_EQ(mantissa_of(value), "15000");
    EXPECT_EQ(value.scale, 4);

    REAL_DATA cut("-123.456");
    cut.set_scale(1);
    EXPECT_EQ(cut.to_text(-1), "-123.4");
    cut.set_scale(-1);
    EXPECT_EQ(cut.to_text(-1), "-120");

    REAL_DATA long_cut("123456789012345678901234567890.123456789012345678901");
    long_cut.set_scale(0);
    EXPECT_EQ(long_cut.to_text(-1), "123456789012345678901234567890");
    long_cut.set_scale(20);
    EXPECT_EQ(mantissa_of(long_cut), "12345678901234567890123456789000000000000000000000");
}

TEST(RealDataScaleTest, MantissaKeepsTheGroupsOfItsDigitText) {
    // Raising 1.5 to two decimals gives the digit text "150": groups 150 and 0.
    REAL_DATA value("1.5");
    value.set_scale(2);
    EXPECT_EQ(value.mantissa.limb_count(), 2);
    EXPECT_EQ(value.mantissa.limb(0), 150);
    value.set_scale(3);  // "1500": groups 500 and 1
    EXPECT_EQ(value.mantissa.limb_count(), 2);
}

// --- text form --------------------------------------------------------------------

TEST(RealDataTextTest, OutputPrecisions) {
    struct CASE {
        const char* mantissa;
        int scale;
        const char* q_minus_1;
        const char* q_0;
        const char* q_2;
        const char* q_5;
    };
    const CASE cases[] = {
        {"1500", 2, "15", "15", "15.00", "15.00000"},
        {"1505", 2, "15.05", "15", "15.05", "15.05000"},
        {"123456", 3, "123.456", "123", "123.45", "123.45600"},
        {"5", 2, "0.05", "0", "0.05", "0.05000"},
        {"-5", 1, "-0.5", "-0", "-0.50", "-0.50000"},
        {"123", 0, "123", "123", "123.00", "123.00000"},
        {"0", 3, "0", "0", "0", "0"},
        {"-1", 9, "-0.000000001", "-0", "-0.00", "-0.00000"},
        {"25", -2, "2500", "2500", "2500.00", "2500.00000"},
    };
    for (const CASE& c : cases) {
        REAL_DATA value(INT_DATA(c.mantissa), c.scale);
        EXPECT_EQ(value.to_text(-1), c.q_minus_1) << c.mantissa << " " << c.scale;
        EXPECT_EQ(value.to_text(0), c.q_0) << c.mantissa << " " << c.scale;
        EXPECT_EQ(value.to_text(2), c.q_2) << c.mantissa << " " << c.scale;
        EXPECT_EQ(value.to_text(5), c.q_5) << c.mantissa << " " << c.scale;
    }
    EXPECT_EQ(REAL_DATA().to_text(3), "0");
    EXPECT_EQ(REAL_DATA(INT_DATA("007"), 1).to_text(-1), "0.7");
}

TEST(RealDataTextTest, FollowsTheOutputPrecisionSetting) {
    struct RESTORE {
        int saved = output_precision();
        ~RESTORE() { set_output_precision(saved); }
    } restore;
    REAL_DATA value("15.05");
    set_output_precision(-1);
    EXPECT_EQ(value.to_text(), "15.05");
    set_output_precision(0);
    EXPECT_EQ(value.to_text(), "15");
    set_output_precision(3);
    EXPECT_EQ(value.to_text(), "15.050");
}

// --- arithmetic and comparison -------------------------------------------------------

TEST(RealDataArithTest, ScalesOfResults) {
    REAL_DATA sum = real("1.5") + real("2.25");
    EXPECT_EQ(sum.scale, 2);
    EXPECT_EQ(sum.to_text(-1), "3.75");
    REAL_DATA product = real("1.5") * real("2.25");
    EXPECT_EQ(product.scale, 3);
    EXPECT_EQ(product.to_text(-1), "3.375");
    REAL_DATA difference = real("1") - real("0.001");
    EXPECT_EQ(difference.to_text(-1), "0.999");
    REAL_DATA quotient = real("10.000") / real("3.0");
    EXPECT_EQ(quotient.scale, 2);
    EXPECT_EQ(quotient.to_text(-1), "3.33");
    REAL_DATA negative = real("-10.00") / real("3");
    EXPECT_EQ(negative.to_text(-1), "-3.33");
    REAL_DATA coarse = real("100") / real("0.5");  // scale -1: 1000 / 5 tens
    EXPECT_EQ(coarse.scale, -1);
    EXPECT_EQ(coarse.to_text(-1), "200");
    EXPECT_EQ((real("0.5") * real("-0")).to_text(-1), "0");
}

TEST(RealDataArithTest, ZeroDivisorThrowsArith) {
    for (const REAL_DATA& zero : {REAL_DATA(0), REAL_DATA("0.000"), REAL_DATA("-0"), REAL_DATA()}) {
        try {
            (void)(real("1.5") / zero);
            ADD_FAILURE() << "no ARITH";
        } catch (const ARITH& error) {
            EXPECT_EQ(error.code, 0);
        }
    }
}

TEST(RealDataArithTest, CompoundFormsAndCopies) {
    REAL_DATA value("1.5");
    REAL_DATA copy = (value += real("0.25"));
    EXPECT_EQ(copy.to_text(-1), "1.75");
    value -= real("2");
    EXPECT_EQ(value.to_text(-1), "-0.25");
    value *= real("-4");
    EXPECT_EQ(value.to_text(-1), "1");
    value.set_scale(4);
    value /= real("0.3");
    EXPECT_EQ(value.to_text(-1), "3.333");
    REAL_DATA other(value);
    other += real("1");
    EXPECT_EQ(value.to_text(-1), "3.333");  // copies are deep
    value = other;
    EXPECT_EQ(value.to_text(-1), "4.333");
    const REAL_DATA& same = value;  // assignment to itself
    value = same;
    EXPECT_EQ(value.to_text(-1), "4.333");
}

TEST(RealDataCompareTest, NumericNotRepresentational) {
    EXPECT_TRUE(real("1.50") == real("1.5"));
    EXPECT_TRUE(real("1.5") == real("15e-1"));
    EXPECT_FALSE(real("1.5") < real("1.50"));
    EXPECT_TRUE(real("1.49") < real("1.5"));
    EXPECT_TRUE(real("-1.5") < real("-1.49"));
    EXPECT_TRUE(real("-0.001") < REAL_DATA());
    EXPECT_TRUE(REAL_DATA() < real("0.001"));
    EXPECT_TRUE(real("0.000") == real("-0"));
    EXPECT_FALSE(real("-0") < real("0.000"));
    EXPECT_TRUE(real("2") > real("1.999999999999999999999"));
    EXPECT_TRUE(real("2") >= real("2.000"));
    EXPECT_TRUE(real("2") <= real("2.000"));
    EXPECT_TRUE(real("2") != real("2.001"));
}

// --- round_up_nines --------------------------------------------------------------------

TEST(RealDataRoundTest, AllNinesBecomeTheNextInteger) {
    struct CASE {
        const char* text;
        const char* result;
        int scale;
    };
    const CASE cases[] = {
        {"0.099", "0.099", 3}, {"9.99", "10", 0},  {"-9.99", "-10", 0},       {"0.99", "1", 0},
        {"2.999", "3", 0},     {"-0.99", "-1", 0}, {"-2.999", "-3", 0},       {"1.5", "1.5", 1},
        {"9", "9", 0},         {"0.000", "0", 3},  {"99.9899", "99.9899", 4},
    };
    for (const CASE& c : cases) {
        REAL_DATA value(c.text);
        value.round_up_nines();
        EXPECT_EQ(value.to_text(-1), c.result) << c.text;
        EXPECT_EQ(value.scale, c.scale) << c.text;
    }
}

}  // namespace
}  // namespace morvu
