// Differential test of INT_DATA and REAL_DATA against Python's int and
// decimal modules. tests/tools/number_oracle.py draws the operands with a
// fixed seed (so a failure reproduces) and writes the expected results; each
// line is replayed here. Only the first few differences are reported in full.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"

namespace morvu {
namespace {

constexpr int oracle_seed = 20240611;
constexpr int precisions[] = {-1, 0, 2, 5};

std::string run_oracle(int seed) {
    std::string command =
        std::string("python3 ") + MORVU_TEST_TOOLS_DIR + "/number_oracle.py --seed " + std::to_string(seed);
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    std::string output;
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) output.append(buffer, got);
    return output;
}

std::vector<std::string> split_blanks(const std::string& line) {
    std::vector<std::string> tokens;
    std::istringstream stream(line);
    std::string token;
    while (stream >> token) tokens.push_back(token);
    return tokens;
}

std::string shorten(const std::string& text) {
    return text.size() <= 60 ? text : text.substr(0, 28) + "..." + text.substr(text.size() - 28);
}

class ORACLE_CHECKER {
public:
    int failures = 0;
    int checks = 0;

    void expect(bool ok, int line, const std::string& what, const std::string& got, const std::string& want) {
        ++checks;
        if (ok) return;
        if (++failures <= 10) {
            ADD_FAILURE() << "oracle line " << line << " (seed " << oracle_seed << "): " << what << "\n  got  "
                          << shorten(got) << "\n  want " << shorten(want);
        }
    }

    void text_is(int line, const std::string& what, const INT_DATA& value, const std::string& want) {
        const std::string& got = value.to_text();
        expect(got == want, line, what, got, want);
    }

    // A real against "mantissa scale text(-1) text(0) text(2) text(5)".
    void real_is(int line, const std::string& what, const REAL_DATA& value, const std::vector<std::string>& t,
                 size_t at) {
        INT_DATA mantissa(t[at].c_str());
        expect(value.mantissa == mantissa, line, what + " mantissa", value.mantissa.to_text(), t[at]);
        expect(std::to_string(value.scale) == t[at + 1], line, what + " scale", std::to_string(value.scale), t[at + 1]);
        for (int i = 0; i < 4; ++i) {
            const std::string& got = value.to_text(precisions[i]);
            expect(got == t[at + 2 + i], line, what + " text q=" + std::to_string(precisions[i]), got, t[at + 2 + i]);
        }
    }
};

TEST(NumberOracleTest, IntAndRealMatchPython) {
    const std::string output = run_oracle(oracle_seed);
    ASSERT_FALSE(output.empty()) << "python3 and tests/tools/number_oracle.py are needed";
    ORACLE_CHECKER check;
    std::istringstream lines(output);
    std::string line;
    int number = 0;
    int kinds[4] = {};
    while (std::getline(lines, line)) {
        ++number;
        std::vector<std::string> t = split_blanks(line);
        ASSERT_FALSE(t.empty());
        if (t[0] == "I") {
            ASSERT_EQ(t.size(), 10u);
            ++kinds[0];
            INT_DATA a(t[1].c_str());
            INT_DATA b(t[2].c_str());
            check.text_is(number, "copy of a", INT_DATA(a), t[1]);
            check.text_is(number, "a + b", a + b, t[3]);
            check.text_is(number, "a - b", a - b, t[4]);
            check.text_is(number, "a * b", a * b, t[5]);
            check.text_is(number, "a / b", a / b, t[6]);
            check.text_is(number, "a % b", a % b, t[7]);
            check.expect((a < b) == (t[8] == "1"), number, "a < b", a < b ? "1" : "0", t[8]);
            check.expect((a == b) == (t[9] == "1"), number, "a == b", a == b ? "1" : "0", t[9]);
            bool greater = t[8] == "0" && t[9] == "0";
            check.expect((a > b) == greater && (a >= b) == !(t[8] == "1") && (a <= b) == !greater, number,
                         "derived order", "", "");
        } else if (t[0] == "P") {
            ASSERT_EQ(t.size(), 4u);
            ++kinds[1];
            check.text_is(number, "power", INT_DATA(t[1].c_str()).power(INT_DATA(t[2].c_str())), t[3]);
        } else if (t[0] == "N") {
            ++kinds[2];
            if (t[1] == "fac") {
                check.text_is(number, "factorial", INT_DATA::factorial(INT_DATA(t[2].c_str())), t[3]);
            } else if (t[1] == "binom") {
                check.text_is(number, "binomial", INT_DATA::binomial(INT_DATA(t[2].c_str()), INT_DATA(t[3].c_str())),
                              t[4]);
            } else if (t[1] == "gcd") {
                check.text_is(number, "gcd", INT_DATA::gcd(INT_DATA(t[2].c_str()), INT_DATA(t[3].c_str())), t[4]);
            } else if (t[1] == "lcm") {
                check.text_is(number, "lcm", INT_DATA::lcm(INT_DATA(t[2].c_str()), INT_DATA(t[3].c_str())), t[4]);
            } else {
                ADD_FAILURE() << "unknown function " << t[1];
            }
        } else if (t[0] == "R") {
            ++kinds[3];
            ASSERT_GE(t.size(), 5u + 4 * 6 + 1);
            REAL_DATA a(t[1].c_str());
            REAL_DATA b(t[2].c_str());
            check.expect((a < b) == (t[3] == "1"), number, "a < b", a < b ? "1" : "0", t[3]);
            check.expect((a == b) == (t[4] == "1"), number, "a == b", a == b ? "1" : "0", t[4]);
            check.real_is(number, "parsed a", a, t, 5);
            check.real_is(number, "a + b", a + b, t, 11);
            check.real_is(number, "a - b", a - b, t, 17);
            check.real_is(number, "a * b", a * b, t, 23);
            if (t[29] != "-") {
                ASSERT_EQ(t.size(), 35u);
                check.real_is(number, "a / b", a / b, t, 29);
            }
        } else {
            ADD_FAILURE() << "unknown oracle line kind " << t[0];
        }
    }
    EXPECT_EQ(check.failures, 0) << "of " << check.checks << " checks";
    // The oracle really ran its four families of cases.
    EXPECT_GE(kinds[0], 1000);
    EXPECT_GE(kinds[1], 100);
    EXPECT_GE(kinds[2], 50);
    EXPECT_GE(kinds[3], 1000);
}

}  // namespace
}  // namespace morvu
