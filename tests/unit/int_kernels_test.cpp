// The limb kernels behind INT_DATA's sums, products by one limb, quotients
// and cuts by powers of ten. They work on blocks of limbs and settle carries
// after the block, so the cases aim at carries and borrows that run across
// many limbs and across block ends, at products on the limb boundaries, and
// at operands that are the target itself. The expected values come from
// plain digit-by-digit arithmetic on the decimal texts.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/limbs.h"
#include "numbers/real_data.h"

namespace morvu {
namespace {

INT_DATA from(const std::string& text) { return INT_DATA(text.c_str()); }

std::string strip_zeros(std::string digits) {
    size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

// The texts below are built least significant digit first, then turned.
std::string finished(std::string reversed) { return strip_zeros(std::string(reversed.rbegin(), reversed.rend())); }

// Sum of two digit texts, column by column.
std::string text_sum(const std::string& a, const std::string& b) {
    std::string out;
    int carry = 0;
    for (size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
        int d = carry;
        if (i < a.size()) d += a[a.size() - 1 - i] - '0';
        if (i < b.size()) d += b[b.size() - 1 - i] - '0';
        out.push_back(static_cast<char>('0' + d % 10));
        carry = d / 10;
    }
    return finished(out);
}

// Difference of two digit texts, a >= b.
std::string text_difference(const std::string& a, const std::string& b) {
    std::string out;
    int borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int d = (a[a.size() - 1 - i] - '0') - borrow - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
        borrow = d < 0;
        out.push_back(static_cast<char>('0' + (d + 10) % 10));
    }
    return finished(out);
}

// Product of a digit text and a machine factor.
std::string text_product(const std::string& a, uint64_t m) {
    std::string out;
    unsigned __int128 carry = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        carry += static_cast<unsigned __int128>(a[a.size() - 1 - i] - '0') * m;
        out.push_back(static_cast<char>('0' + static_cast<int>(carry % 10)));
        carry /= 10;
    }
    for (; carry != 0; carry /= 10) out.push_back(static_cast<char>('0' + static_cast<int>(carry % 10)));
    return finished(out);
}

// Digit texts rich in runs of 9s and 0s, whose sums and products carry far.
std::string random_digits(std::mt19937& rng, int length) {
    std::string text;
    const int style = static_cast<int>(rng() % 4);
    while (static_cast<int>(text.size()) < length) {
        if (style == 0) {
            text.push_back(static_cast<char>('0' + rng() % 10));
        } else {
            const char run = style == 1 ? '9' : (rng() % 2 ? '9' : '0');
            text.append(1 + rng() % 40, run);
            if (style == 3) text.push_back(static_cast<char>('0' + rng() % 10));
        }
    }
    text.resize(static_cast<size_t>(length));
    text[0] = text[0] == '0' ? '1' : text[0];
    return text;
}

TEST(IntKernelSumTest, CarriesRunThroughEveryLimbAndAcrossBlocks) {
    // 9 * n digits of 9 plus 1: each limb is 999999999 and takes the carry
    // of the one below; the lengths straddle the kernels' block of 256 limbs.
    for (int limbs : {1, 4, 5, 255, 256, 257, 511, 512, 513, 1000}) {
        const std::string nines(static_cast<size_t>(9 * limbs), '9');
        const std::string power = "1" + std::string(static_cast<size_t>(9 * limbs), '0');
        EXPECT_EQ((from(nines) + INT_DATA(1)).to_text(), power) << limbs;
        EXPECT_EQ((INT_DATA(1) + from(nines)).to_text(), power) << limbs;
        EXPECT_EQ((from(nines) + from(nines)).to_text(), text_sum(nines, nines)) << limbs;
        EXPECT_EQ((from(power) - INT_DATA(1)).to_text(), nines) << limbs;
        EXPECT_EQ((INT_DATA(1) - from(power)).to_text(), "-" + nines) << limbs;
    }
    // A carry that leaves the shorter operand and runs on through the
    // longer one's 999999999 limbs, then stops inside a later block.
    const std::string tail = "7" + std::string(9 * 600, '9');
    EXPECT_EQ((from(tail) + from(std::string(9 * 3, '9'))).to_text(), text_sum(tail, std::string(27, '9')));
}

TEST(IntKernelSumTest, CarriesAcrossVectorLanesAndLongBlockSizes) {
    // The sum works on sixteen limbs at a time and on heap blocks that from
    // 64 limbs on are laid out in 64-byte lines: a carry made in one limb
    // lands in the next block of sixteen, a run of 999999999 limbs takes it
    // across several, and the last block is partial.
    std::mt19937 rng(11);
    for (int limbs : {15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 129}) {
        for (int from_limb : {0, 1, 14, 15, 16, limbs - 1}) {
            if (from_limb >= limbs) continue;
            std::string low;
            for (int i = 0; i < 9 * from_limb; ++i) low.push_back(static_cast<char>('0' + rng() % 10));
            // Nines from limb from_limb up, a carry arriving from below.
            const std::string a = std::string(static_cast<size_t>(9 * (limbs - from_limb)), '9') + low;
            const std::string b = "1" + std::string(static_cast<size_t>(9 * from_limb), '0');
            EXPECT_EQ((from(a) + from(b)).to_text(), text_sum(a, b)) << limbs << " " << from_limb;
            EXPECT_EQ((from(b) + from(a)).to_text(), text_sum(a, b)) << limbs << " " << from_limb;
        }
        // Every column over the base, and operands one limb apart in length.
        const std::string fives(static_cast<size_t>(9 * limbs), '5');
        EXPECT_EQ((from(fives) + from(fives)).to_text(), text_sum(fives, fives)) << limbs;
        const std::string shorter = random_digits(rng, 9 * (limbs - 1));
        EXPECT_EQ((from(fives) + from(shorter)).to_text(), text_sum(fives, shorter)) << limbs;
    }
}

TEST(IntKernelSumTest, RecycledBlocksLeaveCopiesAlone) {
    // Long results reuse the blocks of dropped ones; a copy that shares a
    // block keeps its value while others grow, shrink and are dropped.
    std::mt19937 rng(5);
    std::vector<std::pair<INT_DATA, std::string>> kept;
    INT_DATA x = from(random_digits(rng, 2000));
    std::string tx(x.to_text());
    for (int round = 0; round < 200; ++round) {
        const std::string d = random_digits(rng, 1 + static_cast<int>(rng() % 3000));
        if (round % 3 == 0) kept.emplace_back(x, tx);
        x = x + from(d);
        tx = text_sum(tx, d);
        if (round % 5 == 0) {
            x = from(random_digits(rng, 600 + static_cast<int>(rng() % 2000)));
            tx = x.to_text();
        }
        if (round % 7 == 0 && !kept.empty()) kept.erase(kept.begin());
    }
    EXPECT_EQ(x.to_text(), tx);
    for (const auto& [value, text] : kept) EXPECT_EQ(value.to_text(), text);
}

TEST(IntKernelSumTest, AgreesWithDigitArithmetic) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const int la = 1 + static_cast<int>(rng() % 5000);
        const int lb = 1 + static_cast<int>(rng() % 5000);
        const std::string a = random_digits(rng, la);
        const std::string b = random_digits(rng, lb);
        ASSERT_EQ((from(a) + from(b)).to_text(), text_sum(a, b)) << a << " + " << b;
        const bool a_larger = from(a) >= from(b);
        const std::string difference = a_larger ? text_difference(a, b) : text_difference(b, a);
        ASSERT_EQ((from(a) - from(b)).to_text(), (a_larger || difference == "0" ? "" : "-") + difference)
            << a << " - " << b;
    }
}

TEST(IntKernelSumTest, OperandsThatAreTheTarget) {
    const std::string nines(9 * 300, '9');
    INT_DATA a = from(nines);
    a = a + a;
    EXPECT_EQ(a.to_text(), text_sum(nines, nines));
    INT_DATA b = from(nines);
    b += b;
    EXPECT_EQ(b, a);
    INT_DATA& same = b;  // the operand is the target itself
    b -= same;
    EXPECT_TRUE(b.is_zero());
    EXPECT_EQ(b.sign(), 1);
    // The loop of the Fibonacci numbers: each sum replaces an operand.
    INT_DATA x(0), y(1), t;
    std::string tx = "0", ty = "1";
    for (int i = 0; i < 3000; ++i) {
        t = x + y;
        x = y;
        y = std::move(t);
        std::string next = text_sum(tx, ty);
        tx = ty;
        ty = next;
    }
    EXPECT_EQ(x.to_text(), tx);
    EXPECT_EQ(y.to_text(), ty);
}

TEST(IntKernelSumTest, SumsIntoTheTargetKeepEveryOtherHolder) {
    // assign_sum writes into the target's own block when it has room; a
    // copy sharing that block, an operand that is the target and a block
    // far too large for the result must all be left as they should be.
    std::mt19937 rng(13);
    const std::string sa = random_digits(rng, 9 * 300);
    const std::string sb = random_digits(rng, 9 * 290 + 4);
    const INT_DATA a = from(sa);
    const INT_DATA b = from(sb);
    INT_DATA target = from(random_digits(rng, 9 * 305));
    INT_DATA copy = target;  // shares the block
    const std::string copy_text(copy.to_text());
    target.assign_sum(a, b, false);
    EXPECT_EQ(target.to_text(), text_sum(sa, sb));
    EXPECT_EQ(copy.to_text(), copy_text);
    target.assign_sum(b, a, false);  // the block is its own now: written in place
    EXPECT_EQ(target.to_text(), text_sum(sa, sb));
    target.assign_sum(a, b, true);
    EXPECT_EQ(target.to_text(), text_difference(sa, sb));
    target.assign_sum(b, a, true);
    EXPECT_EQ(target.to_text(), "-" + text_difference(sa, sb));
    INT_DATA shares_a = a;
    shares_a.assign_sum(a, b, false);
    EXPECT_EQ(a.to_text(), sa);
    EXPECT_EQ(shares_a.to_text(), text_sum(sa, sb));

    // Operands that are the target itself.
    INT_DATA x = a;
    x.assign_sum(x, b, false);
    EXPECT_EQ(x.to_text(), text_sum(sa, sb));
    x.assign_sum(b, x, true);
    EXPECT_EQ(x.to_text(), "-" + sa);
    x.assign_sum(x, x, false);
    EXPECT_EQ(x.to_text(), "-" + text_sum(sa, sa));
    x.assign_sum(x, x, true);
    EXPECT_TRUE(x.is_zero());
    EXPECT_EQ(x.sign(), 1);

    // A long target given a short result, a machine word and zero.
    INT_DATA wide = from(random_digits(rng, 9 * 3000));
    wide.assign_sum(from("1" + std::string(90, '0')), INT_DATA(-1), false);
    EXPECT_EQ(wide.to_text(), std::string(90, '9'));
    wide.assign_sum(INT_DATA(7), from(std::string(30, '9')), false);
    EXPECT_EQ(wide.to_text(), "1" + std::string(29, '0') + "6");
    wide.assign_sum(wide, from("1" + std::string(30, '0')), true);
    EXPECT_EQ(wide.to_text(), "6");
    wide.assign_sum(b, b, true);
    EXPECT_EQ(wide.to_text(), "0");
    EXPECT_EQ(wide.sign(), 1);
}

TEST(IntKernelSumTest, SumsIntoTheTargetAgreeWithTheOperators) {
    // Every pair of signs, zeros of either sign, empty operands, kept texts
    // and leading zero groups: the target ends as the operator's result
    // would, in value, sign, groups and text.
    const std::vector<std::string> texts = {"0",
                                            "-0",
                                            "5",
                                            "-5",
                                            "007",
                                            "-000123",
                                            std::string(40, '9'),
                                            "-" + std::string(40, '9'),
                                            "1" + std::string(30, '0'),
                                            std::string(400, '0') + "42"};
    std::vector<INT_DATA> values;
    for (const std::string& text : texts) values.push_back(from(text));
    values.emplace_back();  // empty
    for (const INT_DATA& a : values) {
        for (const INT_DATA& b : values) {
            for (const bool subtract : {false, true}) {
                const INT_DATA expected = subtract ? a - b : a + b;
                for (const std::string& start :
                     {std::string("007"), std::string(50, '8'), std::string(400, '0') + "1"}) {
                    INT_DATA target = from(start);
                    target.assign_sum(a, b, subtract);
                    EXPECT_EQ(target.to_text(), expected.to_text())
                        << a.to_text() << (subtract ? " - " : " + ") << b.to_text();
                    EXPECT_EQ(target.sign(), expected.sign());
                    EXPECT_EQ(target.limb_count(), expected.limb_count());
                }
            }
        }
    }
}

TEST(IntKernelProductTest, OneLimbFactorsAtTheLimbBoundaries) {
    const std::string nines(9 * 700, '9');
    for (uint32_t m : {1u, 2u, 3u, 7u, 10u, 999u, 1000u, 65536u, 499999999u, 500000000u, 999999999u}) {
        INT_DATA value = from(nines);
        value *= INT_DATA(static_cast<long>(m));
        EXPECT_EQ(value.to_text(), text_product(nines, m)) << m;
    }
    // Limb products that land just below, on and just above a multiple of
    // the limb base, where the estimated high limb needs its correction.
    for (uint32_t m : {3u, 7u, 13u, 999999937u, 123456789u, 999999999u}) {
        for (uint64_t k : {1ull, 2ull, 5ull, 77ull, 123456ull}) {
            const uint64_t boundary = k * 1'000'000'000ull;
            for (int64_t delta : {-1, 0, 1}) {
                const uint64_t limb = (boundary + m - 1) / m + delta;
                if (limb == 0 || limb >= 1'000'000'000ull) continue;
                std::string text;
                for (int i = 0; i < 300; ++i) text += std::to_string(1'000'000'000ull + limb).substr(1);
                text = strip_zeros(text);
                INT_DATA value = from(text);
                value *= INT_DATA(static_cast<long>(m));
                ASSERT_EQ(value.to_text(), text_product(text, m)) << limb << " * " << m;
            }
        }
    }
}

TEST(IntKernelProductTest, SignsZerosAndTheTargetAsFactor) {
    INT_DATA value = from("-" + std::string(40, '9'));
    value *= INT_DATA(3);
    EXPECT_EQ(value.to_text(), "-" + text_product(std::string(40, '9'), 3));
    value *= INT_DATA(-2);
    EXPECT_EQ(value.to_text(), text_product(std::string(40, '9'), 6));
    value *= INT_DATA(0);
    EXPECT_TRUE(value.is_zero());
    EXPECT_EQ(value.to_text(), "0");

    INT_DATA square = from("123456789123456789");
    square *= square;
    EXPECT_EQ(square.to_text(), "15241578780673678515622620750190521");
    INT_DATA one_limb(999999999);
    one_limb *= one_limb;
    EXPECT_EQ(one_limb.to_text(), "999999998000000001");
}

TEST(IntKernelProductTest, FactorialLoopAgreesWithDigitArithmetic) {
    INT_DATA f(1);
    std::string text = "1";
    for (int k = 2; k <= 1500; ++k) {
        f *= INT_DATA(k);
        text = text_product(text, static_cast<uint64_t>(k));
    }
    EXPECT_EQ(f.to_text(), text);
    EXPECT_EQ(f, INT_DATA::factorial(INT_DATA(1500)));
}

TEST(IntKernelQuotientTest, LongDivisionRestoresTheDividend) {
    // Divisors long enough for the product of a quotient limb to span
    // several blocks, and digit runs that make the quotient estimates land
    // one too high, so that the divisor is added back.
    std::mt19937 rng(11);
    for (int round = 0; round < 120; ++round) {
        const int lb = 10 + static_cast<int>(rng() % 3000);
        const int la = lb + static_cast<int>(rng() % 2000);
        const INT_DATA a = from(random_digits(rng, la));
        const INT_DATA b = from(random_digits(rng, lb));
        const INT_DATA q = a / b;
        const INT_DATA r = a % b;
        ASSERT_EQ(q * b + r, a) << a.to_text() << " / " << b.to_text();
        ASSERT_TRUE(r < b && r >= INT_DATA(0)) << a.to_text() << " % " << b.to_text();
    }
    const std::string nines(9 * 300, '9');
    const INT_DATA power = from("1" + std::string(9 * 600, '0'));
    EXPECT_EQ((power / from(nines)).to_text(), text_sum("1" + std::string(9 * 300, '0'), "1"));
    EXPECT_EQ((power % from(nines)).to_text(), "1");
    EXPECT_EQ((from(nines + nines) / from(nines)).to_text(), "1" + std::string(9 * 300 - 1, '0') + "1");
}

TEST(IntKernelQuotientTest, CutsByPowersOfTenDropTheLastDigits) {
    std::mt19937 rng(5);
    for (int length : {1, 8, 9, 10, 17, 18, 19, 2303, 2304, 2305, 4700}) {
        const std::string text = random_digits(rng, length);
        for (int k : {0, 1, 4, 8, 9, 10, 17, 18, 26, 2304}) {
            REAL_DATA value(from(text), k);
            value.set_scale(0);
            const std::string want = k >= length ? "0" : strip_zeros(text.substr(0, text.size() - k));
            ASSERT_EQ(value.mantissa.to_text(), want) << length << " digits cut by " << k;
            REAL_DATA negative(from("-" + text), k);
            negative.set_scale(0);
            ASSERT_EQ(negative.mantissa.to_text(), want == "0" ? "0" : "-" + want) << length << " " << k;
        }
    }
}

TEST(IntKernelQuotientTest, ShortQuotientsOfLongDivisors) {
    // A quotient far shorter than its divisor comes from the divisor's top
    // limbs; dividends next to a multiple of the divisor leave those limbs
    // a small remainder, where the whole division must decide.
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        const INT_DATA b = from(random_digits(rng, 40 + static_cast<int>(rng() % 3000)));
        const INT_DATA q = from(random_digits(rng, 1 + static_cast<int>(rng() % 60)));
        const INT_DATA product = q * b;
        const INT_DATA one(1);
        ASSERT_EQ(product / b, q);
        ASSERT_EQ((product - one) / b, q - one);
        ASSERT_EQ((product + one) / b, q);
        ASSERT_EQ((product + b - one) / b, q);
        ASSERT_EQ((product + b) / b, q + one);
        const INT_DATA a = from(random_digits(rng, static_cast<int>(b.to_text().size() + rng() % 200)));
        const INT_DATA quotient = a / b;
        const INT_DATA rest = a - quotient * b;
        ASSERT_TRUE(rest >= INT_DATA(0) && rest < b) << a.to_text() << " / " << b.to_text();
        ASSERT_EQ(rest, a % b);
    }
}

TEST(IntKernelQuotientTest, ZeroLimbsAtTheFootOfBothOperands) {
    // Operands raised to more decimals end in zero limbs; the quotient must
    // not depend on how many of them each has.
    std::mt19937 rng(9);
    for (int round = 0; round < 150; ++round) {
        const std::string a_text = random_digits(rng, 20 + static_cast<int>(rng() % 2000));
        const std::string b_text = random_digits(rng, 1 + static_cast<int>(rng() % 40));
        const int a_zeros = static_cast<int>(rng() % 300);
        const int b_zeros = static_cast<int>(rng() % 300);
        const INT_DATA a = from(a_text + std::string(static_cast<size_t>(a_zeros), '0'));
        const INT_DATA b = from(b_text + std::string(static_cast<size_t>(b_zeros), '0'));
        const INT_DATA q = a / b;
        const INT_DATA rest = a - q * b;
        ASSERT_TRUE(rest >= INT_DATA(0) && rest < b) << a.to_text() << " / " << b.to_text();
        ASSERT_EQ(rest, a % b);
    }
    // A divisor of one limb above its zero limbs, and a dividend with fewer
    // zero limbs than the divisor.
    EXPECT_EQ((from("7" + std::string(45, '0')) / from("2" + std::string(27, '0'))).to_text(),
              "35" + std::string(17, '0'));
    EXPECT_EQ((from("123456789123456789" + std::string(9, '0') + "5") / from("3" + std::string(18, '0'))).to_text(),
              "411522630");
}

TEST(IntKernelCopyTest, CopiesShareLimbsUntilOneChanges) {
    // Each change below is made to a copy (or to the original) of a value
    // long enough for heap limbs; the other side must keep its digits.
    const std::string text = "8" + std::string(9 * 40, '9');
    const INT_DATA original = from(text);
    const auto changes = std::vector<void (*)(INT_DATA&)>{
        [](INT_DATA& v) { v += INT_DATA(1); },
        [](INT_DATA& v) { v *= INT_DATA(7); },
        [](INT_DATA& v) { v *= v; },
        [](INT_DATA& v) { v /= INT_DATA(3); },
        [](INT_DATA& v) { v.post_increment(); },
        [](INT_DATA& v) { v.assign_int64(-5); },
        [](INT_DATA& v) { v = INT_DATA(12); },
        [](INT_DATA& v) { v = v - v; },
        [](INT_DATA& v) { v.free_limbs(); },
        [](INT_DATA& v) { v.split_limbs(); },
        [](INT_DATA& v) { v = INT_DATA("123"); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        INT_DATA copy = original;
        INT_DATA assigned;
        assigned = original;
        changes[i](copy);
        EXPECT_EQ(original.to_text(), text) << i;
        EXPECT_EQ(assigned.to_text(), text) << i;
        INT_DATA source = from(text);
        INT_DATA kept(source);
        changes[i](source);
        EXPECT_EQ(kept.to_text(), text) << i;
        EXPECT_EQ(kept, original) << i;
    }
    // Scale changes move the mantissa's digits in place.
    REAL_DATA real(original, 3);
    REAL_DATA wider = real;
    wider.set_scale(30);
    REAL_DATA narrower = real;
    narrower.set_scale(0);
    EXPECT_EQ(real.mantissa.to_text(), text);
    EXPECT_EQ(wider.mantissa.to_text(), text + std::string(27, '0'));
    EXPECT_EQ(narrower.mantissa.to_text(), text.substr(0, text.size() - 3));
    // A chain of copies, each changed in turn.
    INT_DATA a = original, b = a, c = b;
    b += INT_DATA(1);
    c *= INT_DATA(2);
    EXPECT_EQ(a.to_text(), text);
    EXPECT_EQ(b.to_text(), text_sum(text, "1"));
    EXPECT_EQ(c.to_text(), text_product(text, 2));
}

// The kernel builds for wider vectors must give the baseline build's limbs
// exactly. The operands are built limb by limb (least significant first)
// from limbs of 999999999, zero limbs and random ones, over lengths that
// cross the 8- and 16-limb vector widths, so that carries enter and leave
// vectors and the last columns run past the last whole vector.
std::string limb_text(const std::vector<uint32_t>& limbs) {
    std::string text;
    for (auto limb = limbs.rbegin(); limb != limbs.rend(); ++limb) {
        const std::string digits = std::to_string(*limb);
        text += std::string(9 - digits.size(), '0') + digits;
    }
    return strip_zeros(text);
}

std::vector<std::vector<uint32_t>> limb_patterns(std::mt19937& rng, int n) {
    std::vector<std::vector<uint32_t>> patterns(5, std::vector<uint32_t>(static_cast<size_t>(n)));
    for (int i = 0; i < n; ++i) {
        patterns[0][i] = 999'999'999u;
        patterns[1][i] = i + 1 == n ? 1u : 0u;  // a power of the base: zero limbs below its top
        patterns[2][i] = static_cast<uint32_t>(rng() % 1'000'000'000u);
        patterns[3][i] = i % 3 == 1 ? 0u : 999'999'999u;
        patterns[4][i] = rng() % 2 ? 500'000'000u : 499'999'999u;
    }
    patterns[0][0] = n > 1 ? 999'999'998u : 999'999'999u;  // a sum with the 1 limb below stops short of a carry
    return patterns;
}

// The results of every sum and one-limb product of the patterns, in a build.
std::vector<std::string> kernel_results(int n) {
    std::mt19937 rng(static_cast<unsigned>(n));
    const auto patterns = limb_patterns(rng, n);
    std::vector<std::string> results;
    for (const auto& a : patterns) {
        const INT_DATA x = from(limb_text(a));
        for (const auto& b : patterns) {
            const INT_DATA y = from(limb_text(b));
            results.push_back((x + y).to_text());
            // One limb shorter: the carry runs on through the longer one alone.
            results.push_back((x + from(limb_text(std::vector<uint32_t>(b.begin() + 1, b.end())))).to_text());
        }
        results.push_back((x + INT_DATA(1)).to_text());
        for (uint32_t m : {1u, 2u, 3u, 7u, 9u, 20000u, 65536u, 333333334u, 499999999u, 500000000u, 999999937u,
                           999999999u, static_cast<uint32_t>(1 + rng() % 999'999'999u)}) {
            INT_DATA in_place = x;
            in_place *= INT_DATA(static_cast<long>(m));
            results.push_back(in_place.to_text());
            results.push_back((INT_DATA(static_cast<long>(m)) * x).to_text());
        }
        // The long division scales both operands by one limb first.
        if (n > 2)
            results.push_back((x / from(limb_text(std::vector<uint32_t>(a.begin() + n / 2, a.end())))).to_text());
    }
    return results;
}

// Runs the given build for the life of the object, then the one before.
class KERNELS_IN_USE {
public:
    explicit KERNELS_IN_USE(limbs::KERNEL_SET set) : before(limbs::kernel_set()) { usable = limbs::use_kernels(set); }
    ~KERNELS_IN_USE() { limbs::use_kernels(before); }
    bool usable = false;

private:
    limbs::KERNEL_SET before;
};

TEST(IntKernelBuildsTest, VectorBuildsGiveTheBaselineLimbs) {
    std::vector<std::vector<std::string>> baseline;
    {
        const KERNELS_IN_USE portable(limbs::KERNEL_SET::portable);
        ASSERT_TRUE(portable.usable);
        for (int n = 1; n <= 70; ++n) baseline.push_back(kernel_results(n));
    }
    // The baseline itself agrees with digit arithmetic.
    const std::string nines = limb_text(std::vector<uint32_t>(33, 999'999'999u));
    EXPECT_EQ(baseline[32][0], text_sum(std::string(nines).replace(nines.size() - 1, 1, "8"),
                                        std::string(nines).replace(nines.size() - 1, 1, "8")));
    for (const auto set : {limbs::KERNEL_SET::narrow, limbs::KERNEL_SET::wide}) {
        const KERNELS_IN_USE build(set);
        if (!build.usable) continue;
        for (int n = 1; n <= 70; ++n) ASSERT_EQ(kernel_results(n), baseline[n - 1]) << n << " limbs";
    }
}

TEST(IntKernelBuildsTest, OnlyBuildsTheProcessorRunsAreTaken) {
    const limbs::KERNEL_SET chosen = limbs::kernel_set();
    EXPECT_TRUE(limbs::use_kernels(limbs::KERNEL_SET::portable));
    EXPECT_EQ(limbs::kernel_set(), limbs::KERNEL_SET::portable);
    // The build chosen at start-up is the best one: none above it is taken.
    EXPECT_TRUE(limbs::use_kernels(chosen));
    if (chosen != limbs::KERNEL_SET::wide) {
        EXPECT_FALSE(limbs::use_kernels(limbs::KERNEL_SET::wide));
        EXPECT_EQ(limbs::kernel_set(), chosen);
    }
}

}  // namespace
}  // namespace morvu
