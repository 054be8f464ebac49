// The mathematical functions of REAL_DATA: fixed values (the true digits,
// cut), the domain errors, the precision discipline, and a sweep over
// precisions 0 to 30 against a Python model (tests/tools/math_model.py) that
// finds each exact value with the decimal module at high precision; they must
// agree digit for digit and scale for scale.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "numbers/math_functions.h"
#include "runtime/settings.h"

namespace morvu {
namespace {

// Working and output precision for one test, set back afterwards.
class PRECISION_SCOPE {
public:
    explicit PRECISION_SCOPE(int p) : saved_working(working_precision()), saved_output(output_precision()) {
        set_working_precision(p);
        set_output_precision(-1);
    }
    ~PRECISION_SCOPE() {
        set_working_precision(saved_working);
        set_output_precision(saved_output);
    }

private:
    int saved_working;
    int saved_output;
};

REAL_DATA r(const char* text) { return REAL_DATA(text); }

// "mantissa scale", the representation a result must have exactly.
std::string repr(const REAL_DATA& x) { return (x.mantissa + INT_DATA(0)).to_text() + " " + std::to_string(x.scale); }

// The outcome of a call: its representation, or "ARITH code text".
std::string outcome(const std::function<REAL_DATA()>& call) {
    try {
        return repr(call());
    } catch (const ARITH& error) {
        return "ARITH " + std::to_string(error.code) + " " + error.message;
    }
}

// ---- fixed values ---------------------------------------------------------

TEST(MathFunctionsTest, ArithIsAnErrorWithCodeAndText) {
    try {
        throw ARITH(1, "-4");
    } catch (const ARITH& error) {
        EXPECT_EQ(error.code, 1);
        EXPECT_EQ(error.message, "-4");
        EXPECT_EQ(error.kind, 's');
        EXPECT_EQ(error.file, "");
        EXPECT_EQ(error.line, 0);
    }
    bool caught_as_error = false;
    try {
        throw ARITH(0, "0.0");
    } catch (const ERROR& error) {
        caught_as_error = error.message == "0.0";
    }
    EXPECT_TRUE(caught_as_error);
}

TEST(MathFunctionsTest, ExponentialAndLogarithmGiveTheTrueDigits) {
    PRECISION_SCOPE scope(12);
    EXPECT_EQ(big_exp(r("1")).to_text(), "2.718281828459");
    EXPECT_EQ(big_e().to_text(), "2.718281828459");
    EXPECT_EQ(big_exp(r("-1")).to_text(), "0.367879441171");
    EXPECT_EQ(repr(big_exp(r("0"))), "1000000000000 12");
    // 0.99999999999999999999: twelve nines, and so the next integer
    EXPECT_EQ(repr(big_exp(r("-1e-20"))), "1 0");
    EXPECT_EQ(big_exp(r("10")).to_text(), "22026.465794806716");
    EXPECT_EQ(repr(big_ln(r("2"))), "693147180559 12");
    EXPECT_EQ(big_ln(r("0.5")).to_text(), "-0.693147180559");
    EXPECT_TRUE(big_ln(r("1")).mantissa.is_zero());
    EXPECT_EQ(big_ln(r("10")).to_text(), "2.302585092994");
    EXPECT_EQ(big_ln(r("0.1")).to_text(), "-2.302585092994");
}

TEST(MathFunctionsTest, SquareRootAndPowers) {
    PRECISION_SCOPE scope(12);
    EXPECT_EQ(big_sqrt(r("2")).to_text(), "1.414213562373");
    EXPECT_EQ(repr(big_sqrt(r("1"))), "1000000000000 12");
    EXPECT_EQ(repr(big_sqrt(r("0"))), "0 12");
    EXPECT_EQ(repr(big_pot(r("1.5"), r("3"))), "3375 3");
    EXPECT_EQ(repr(big_pot(r("2"), r("-3"))), "125000000000 12");
    EXPECT_EQ(big_pot(r("2"), r("0.5")).to_text(), "1.414213562373");
    EXPECT_EQ(repr(big_pot(r("-2"), r("2"))), "4 0");
    EXPECT_EQ(repr(big_pot(r("0"), r("3"))), "0 0");
    EXPECT_EQ(repr(big_pot(r("7"), r("0"))), "1 0");
    // Exact values on a cut come out exact.
    EXPECT_EQ(repr(big_log(r("8"), r("2"))), "3000000000000 12");
    EXPECT_EQ(repr(big_log(r("2"), r("16"))), "250000000000 12");
    EXPECT_EQ(repr(big_root(r("27"), r("3"))), "3000000000000 12");
    EXPECT_EQ(repr(big_root(r("0.001"), r("3"))), "100000000000 12");
    EXPECT_EQ(repr(big_pot(r("2"), r("10.0"))), "1024000000000000 12");
    EXPECT_EQ(repr(big_pot(r("6.25"), r("-1.5"))), "64000000000 12");
}

TEST(MathFunctionsTest, LargeWholePowersAreExact) {
    PRECISION_SCOPE scope(8);
    // 3^2000 and (-1.5)^1001 written out by multiplication of the mantissas.
    INT_DATA expected(1);
    for (int i = 0; i < 2000; ++i) expected = expected * INT_DATA(3);
    EXPECT_EQ(big_pot(r("3"), r("2000")).mantissa, expected);
    INT_DATA odd(1);
    for (int i = 0; i < 1001; ++i) odd = odd * INT_DATA(-15);
    const REAL_DATA power = big_pot(r("-1.5"), r("1001"));
    EXPECT_EQ(power.mantissa, odd);
    EXPECT_EQ(power.scale, 1001);
    EXPECT_EQ(repr(big_pot(r("-1"), r("1000000000000000000000001"))), "-1 0");
}

TEST(MathFunctionsTest, RoundingFunctions) {
    auto ceil = [](const char* x) { return big_ceil(r(x)).to_text(); };
    auto floor = [](const char* x) { return big_floor(r(x)).to_text(); };
    auto round = [](const char* x) { return big_round(r(x)).to_text(); };
    EXPECT_EQ(ceil("0.5"), "1");
    EXPECT_EQ(ceil("2.0"), "2");
    EXPECT_EQ(ceil("2"), "2");
    EXPECT_EQ(ceil("2.5"), "3");
    EXPECT_EQ(ceil("-2.5"), "-2");
    EXPECT_EQ(ceil("-0.5"), "0");
    EXPECT_EQ(big_ceil(r("-0.5")), INT_DATA(0));
    EXPECT_EQ(floor("-0.5"), "-1");
    EXPECT_EQ(floor("-2.0"), "-2");
    EXPECT_EQ(floor("2.5"), "2");
    EXPECT_EQ(floor("-2.5"), "-3");
    EXPECT_EQ(floor("0.5"), "0");
    EXPECT_EQ(round("2.5"), "3");
    EXPECT_EQ(round("-2.5"), "-3");
    EXPECT_EQ(round("2.4999"), "2");
    EXPECT_EQ(round("-0.3"), "0");
    EXPECT_EQ(round("0.0"), "0");
    EXPECT_EQ(repr(big_round_to(r("2.345"), 2)), "235 2");
    EXPECT_EQ(repr(big_round_to(r("-2.345"), 2)), "-235 2");
    EXPECT_EQ(repr(big_round_to(r("2.344"), 2)), "234 2");
    EXPECT_EQ(repr(big_round_to(r("7"), 2)), "7 0");
    EXPECT_EQ(repr(big_round_to(r("1.5"), 3)), "1500 3");
    EXPECT_EQ(repr(big_round_to(r("1.25"), 1)), "13 1");
}

TEST(MathFunctionsTest, CircularFunctions) {
    PRECISION_SCOPE scope(12);
    EXPECT_EQ(repr(big_pi()), "3141592653589 12");
    EXPECT_EQ(repr(big_cos(r("0"))), "1000000000000 12");
    EXPECT_TRUE(big_sin(r("0")).mantissa.is_zero());
    EXPECT_EQ(big_arcsin(r("1")).to_text(), "1.570796326794");
    EXPECT_EQ(big_arcsin(r("-1")).to_text(), "-1.570796326794");
    EXPECT_EQ(big_arccos(r("0.3")).scale, 12);
    EXPECT_EQ(big_arccot(r("0.3")).scale, 12);
    EXPECT_EQ(repr(big_arctan(r("-123.4"))), "-" + repr(big_arctan(r("123.4"))));
    EXPECT_EQ(big_sin(r("0.5")).to_text(), "0.479425538604");
    EXPECT_EQ(big_tan(r("1")).to_text(), "1.557407724654");
    // Large and small arguments: pi carried far enough, no term lost.
    EXPECT_EQ(big_sin(r("1000000.5")).to_text(), "0.141954699");  // 0.141954699000744...
    EXPECT_EQ(big_sin(r("0.00005")).to_text(), "0.000049999999");
}

TEST(MathFunctionsTest, HyperbolicFunctions) {
    PRECISION_SCOPE scope(12);
    EXPECT_TRUE(big_sinh(r("0")).mantissa.is_zero());
    EXPECT_EQ(repr(big_cosh(r("0"))), "1000000000000 12");
    EXPECT_TRUE(big_tanh(r("0")).mantissa.is_zero());
    EXPECT_EQ(repr(big_coth(r("-0.75"))), "-" + repr(big_coth(r("0.75"))));
    EXPECT_TRUE(big_arcosh(r("1")).mantissa.is_zero());
    EXPECT_TRUE(big_artanh(r("0")).mantissa.is_zero());
    EXPECT_EQ(big_arcoth(r("2")).to_text(), "0.549306144334");
    EXPECT_EQ(big_artanh(r("0.5")).scale, 12);
    EXPECT_EQ(big_sinh(r("1")).to_text(), "1.175201193643");
    // Far from 0 the answer needs no long work: within 10^-12 of 1.
    EXPECT_EQ(repr(big_tanh(r("1000000.5"))), "1 0");
    EXPECT_EQ(big_coth(r("-1000000.5")).to_text(), "-1");
}

// ---- domain errors and the faults that used to loop or divide by zero ------

TEST(MathFunctionsTest, DomainErrorsCarryCodeAndArgumentText) {
    PRECISION_SCOPE scope(12);
    auto fails = [](const std::function<REAL_DATA()>& call) { return outcome(call); };
    EXPECT_EQ(fails([] { return big_sqrt(r("-4")); }), "ARITH 1 -4");
    EXPECT_EQ(fails([] { return big_ln(r("-0.5")); }), "ARITH 1 -0.5");
    EXPECT_EQ(fails([] { return big_ln(r("0.000")); }), "ARITH 0 0.0");
    EXPECT_EQ(fails([] { return big_pot(r("-2"), r("2.0")); }), "ARITH 1 -2");
    EXPECT_EQ(fails([] { return big_pot(r("0"), r("0")); }), "ARITH 1 0");
    EXPECT_EQ(fails([] { return big_pot(r("0"), r("-2.5")); }), "ARITH 1 0");
    EXPECT_EQ(fails([] { return big_root(r("-8"), r("3")); }), "ARITH 1 -8");
    EXPECT_EQ(fails([] { return big_log(r("-8"), r("3")); }), "ARITH 1 -8");
    EXPECT_EQ(fails([] { return big_arcsin(r("2")); }), "ARITH 1 2");
    EXPECT_EQ(fails([] { return big_arcsin(r("-1.5")); }), "ARITH 1 -1.5");
    EXPECT_EQ(fails([] { return big_arccos(r("1.01")); }), "ARITH 1 1.01");
    EXPECT_EQ(fails([] { return big_cot(r("0")); }), "ARITH 0 0");
    EXPECT_EQ(fails([] { return big_coth(r("0")); }), "ARITH 0 0");
    EXPECT_EQ(fails([] { return big_arcosh(r("0.999")); }), "ARITH 1 0.999");
    EXPECT_EQ(fails([] { return big_artanh(r("1")); }), "ARITH 0 1");
    EXPECT_EQ(fails([] { return big_artanh(r("-1")); }), "ARITH 0 -1");
    EXPECT_EQ(fails([] { return big_artanh(r("1.5")); }), "ARITH 1 1.5");
    EXPECT_EQ(fails([] { return big_arcoth(r("0.5")); }), "ARITH 1 0.5");
    EXPECT_EQ(fails([] { return big_arcoth(r("1")); }), "ARITH 0 1");
    // The message follows the output precision in force.
    set_output_precision(2);
    EXPECT_EQ(fails([] { return big_sqrt(r("-4")); }), "ARITH 1 -4.00");
}

TEST(MathFunctionsTest, ArgumentsBelowThePrecisionGiveTheirTrueValues) {
    PRECISION_SCOPE scope(12);
    auto fails = [](const std::function<REAL_DATA()>& call) { return outcome(call); };
    EXPECT_EQ(big_sqrt(r("1.000000000002")).to_text(12), "1.000000000000");
    EXPECT_EQ(big_sqrt(r("0.0000000000001")).to_text(), "0.000000316227");
    EXPECT_EQ(big_ln(r("0.0000000000001")).to_text(), "-29.933606208922");
    EXPECT_EQ(big_pot(r("0.0000001"), r("-2")).to_text(), "100000000000000");
    EXPECT_EQ(big_artanh(r("0.9999999999999")).to_text(), "15.313376694741");
    EXPECT_EQ(big_arcoth(r("1.0000000000001")).to_text(), "15.313376694741");
    EXPECT_EQ(big_arcosh(r("1.00000000000000000000001")).to_text(), "0.000000000004");
    // Only true zero divisors remain.
    EXPECT_EQ(fails([] { return big_log(r("5"), r("1")); }), "ARITH 0 1");
    EXPECT_EQ(fails([] { return big_root(r("5"), r("0")); }), "ARITH 0 0");
}

TEST(MathFunctionsTest, PrecisionIsRestoredOnEveryPath) {
    for (int p : {0, 5, 12}) {
        PRECISION_SCOPE scope(p);
        outcome([] { return big_tan(r("1.2")); });
        EXPECT_EQ(working_precision(), p);
        outcome([] { return big_cot(r("0")); });
        EXPECT_EQ(working_precision(), p);
        outcome([] { return big_cot(r("0.7")); });
        EXPECT_EQ(working_precision(), p);
        outcome([] { return big_tanh(r("0.7")); });
        EXPECT_EQ(working_precision(), p);
        outcome([] { return big_coth(r("0")); });
        EXPECT_EQ(working_precision(), p);
        outcome([] { return big_coth(r("2")); });
        EXPECT_EQ(working_precision(), p);
    }
}

// ---- the sweep against the model ------------------------------------------

using UNARY = REAL_DATA (*)(const REAL_DATA&);
using BINARY = REAL_DATA (*)(const REAL_DATA&, const REAL_DATA&);

struct CASE {
    std::string line;  // what the model reads
    std::function<REAL_DATA()> call;
};

std::vector<CASE> sweep_cases() {
    const std::map<std::string, UNARY> unary = {
        {"exp", big_exp},       {"sqrt", big_sqrt},     {"ln", big_ln},         {"sin", big_sin},
        {"cos", big_cos},       {"tan", big_tan},       {"cot", big_cot},       {"arcsin", big_arcsin},
        {"arccos", big_arccos}, {"arctan", big_arctan}, {"arccot", big_arccot}, {"sinh", big_sinh},
        {"cosh", big_cosh},     {"tanh", big_tanh},     {"coth", big_coth},     {"arsinh", big_arsinh},
        {"arcosh", big_arcosh}, {"artanh", big_artanh}, {"arcoth", big_arcoth},
    };
    const std::map<std::string, BINARY> binary = {{"pot", big_pot}, {"log", big_log}, {"root", big_root}};
    const std::string tiny = "0.00000000000000000001";
    const std::string long_decimals = "0.123456789012345678901234567890123456789";
    const std::map<std::string, std::vector<std::string>> arguments = {
        {"exp", {"0", "1", "-1", "0.5", "-2.75", "20", "-20", "0.001", tiny, "-" + tiny, long_decimals}},
        {"sqrt",
         {"0", "1", "2", "3", "0.5", "0.25", "1.000000000002", "123456789.987654321", "0.0000001", tiny,
          "1000000000000000000000000000000", "-4", long_decimals}},
        {"ln",
         {"0", "-1", "1", "2", "0.5", "10", "0.1", "0.00001", "12345.678", "2.718281828", tiny, "1000000",
          long_decimals}},
        {"sin",
         {"0", "1", "-1", "0.5", "3.14159265358979", "-7", "10", "100.5", "1.5707963", tiny, "-2.5", long_decimals}},
        {"cos",
         {"0", "1", "-1", "0.5", "3.14159265358979", "-7", "10", "100.5", "1.5707963", tiny, "-2.5", long_decimals}},
        {"tan", {"0", "1", "-1", "0.5", "3.14159265358979", "-7", "1.5707963", tiny, long_decimals}},
        {"cot", {"0", "1", "-1", "0.5", "3.14159265358979", "-7", "1.5707963", tiny, long_decimals}},
        {"arcsin",
         {"0", "0.5", "0.50", "1", "-1", "0.7", "-0.9", "0.99999", "2", "-1.5", "0.25", "0.000001", long_decimals}},
        {"arccos", {"0", "0.5", "1", "-1", "0.7", "-0.9", "0.99999", "2", "-1.5", long_decimals}},
        {"arctan", {"0", "0.5", "1", "-1", "2", "-10", "1000", "0.7", "0.3", "12345.6789", tiny, long_decimals}},
        {"arccot", {"0", "0.5", "1", "-1", "2", "-10", "0.7", "0.3", tiny}},
        {"sinh", {"0", "1", "-1", "0.5", "5", "-3.5", "0.001", "15", tiny, long_decimals}},
        {"cosh", {"0", "1", "-1", "0.5", "5", "-3.5", "0.001", "15", tiny, long_decimals}},
        {"tanh", {"0", "1", "-1", "0.5", "5", "-3.5", "0.001", tiny, long_decimals}},
        {"coth", {"0", "1", "-1", "0.5", "5", "-3.5", "0.001", tiny, long_decimals}},
        {"arsinh", {"0", "1", "-1", "10", "-10", "0.5", "-1000000", "-" + tiny, long_decimals}},
        {"arcosh", {"1", "2", "0.999", "10", "1.5", "1.00000000000000000000001", "-3"}},
        {"artanh",
         {"0", "0.5", "-0.5", "1", "-1", "1.5", "0.9999999", "0.99999999999999999999999", "-0.99999999999999999999999",
          "0.1", long_decimals}},
        {"arcoth",
         {"2", "-2", "0.5", "1", "-1", "1.5", "1.00000000000000000000001", "-1.00000000000000000000001", "10"}},
    };
    const std::map<std::string, std::vector<std::pair<std::string, std::string>>> pairs = {
        {"pot",
         {{"1.5", "3"},
          {"2", "-3"},
          {"2", "0.5"},
          {"-2", "2"},
          {"-2", "2.0"},
          {"0", "0"},
          {"0", "3"},
          {"0", "-1"},
          {"0", "0.5"},
          {"3", "0"},
          {"-1.5", "5"},
          {"10", "-25"},
          {"0.5", "-4"},
          {"2.5", "1.5"},
          {"0.3", "-0.5"},
          {"7", "-1"},
          {"0.0000001", "-2"}}},
        {"log",
         {{"8", "2"},
          {"100", "10"},
          {"5", "1"},
          {"0.5", "3"},
          {"2", "0.5"},
          {"-1", "2"},
          {"0", "2"},
          {"3", "1.00000000000000000000001"}}},
        {"root",
         {{"27", "3"}, {"2", "2"}, {"5", "0"}, {"-8", "3"}, {"0", "3"}, {"16", "-2"}, {"10", "0.5"}, {"2", "0.1"}}},
    };
    const std::vector<std::string> to_round = {"0.5",  "2.0", "2",       "2.5",      "-2.5", "-0.5",  "2.4999",
                                               "-0.3", "0.0", "123.456", "-123.456", "7",    "9.999", long_decimals};

    std::vector<CASE> cases;
    for (int p = 0; p <= 30; ++p) {
        auto at = [p](std::function<REAL_DATA()> call) {
            return [p, call] {
                set_working_precision(p);
                return call();
            };
        };
        const std::string prefix = " " + std::to_string(p) + " ";
        for (const auto& [name, function] : unary) {
            for (const std::string& x : arguments.at(name)) {
                cases.push_back({name + prefix + x, at([f = function, x] { return f(REAL_DATA(x.c_str())); })});
            }
        }
        for (const auto& [name, function] : binary) {
            for (const auto& [x, y] : pairs.at(name)) {
                cases.push_back({name + prefix + x + " " + y, at([f = function, x = x, y = y] {
                                     return f(REAL_DATA(x.c_str()), REAL_DATA(y.c_str()));
                                 })});
            }
        }
        cases.push_back({"pi" + prefix, at([] { return big_pi(); })});
        cases.push_back({"e" + prefix, at([] { return big_e(); })});
        for (const std::string& x : to_round) {
            auto whole = [](INT_DATA n) { return REAL_DATA(n, 0); };
            cases.push_back({"ceil" + prefix + x, [x, whole] { return whole(big_ceil(REAL_DATA(x.c_str()))); }});
            cases.push_back({"floor" + prefix + x, [x, whole] { return whole(big_floor(REAL_DATA(x.c_str()))); }});
            cases.push_back({"round" + prefix + x, [x, whole] { return whole(big_round(REAL_DATA(x.c_str()))); }});
            if (p <= 6) {
                cases.push_back({"round_to" + prefix + x + " " + std::to_string(p),
                                 [x, p] { return big_round_to(REAL_DATA(x.c_str()), p); }});
            }
        }
    }
    return cases;
}

// Runs the model on the cases' lines; its answers, one per case.
std::vector<std::string> model_answers(const std::vector<CASE>& cases, int& status) {
    char input_name[] = "/tmp/morvu_math_cases_XXXXXX";
    const int fd = mkstemp(input_name);
    EXPECT_GE(fd, 0);
    close(fd);
    {
        std::ofstream input(input_name);
        for (const CASE& c : cases) input << c.line << "\n";
    }
    // The time limit keeps a runaway case from holding up the whole suite.
    const std::string command =
        std::string("timeout 120 python3 ") + MORVU_TEST_TOOLS_DIR + "/math_model.py --check < " + input_name;
    std::vector<std::string> answers;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    if (pipe != nullptr) {
        std::string line;
        for (int c; (c = std::fgetc(pipe)) != EOF;) {
            if (c != '\n') {
                line.push_back(static_cast<char>(c));
                continue;
            }
            answers.push_back(line);
            line.clear();
        }
        status = pclose(pipe);
    }
    std::remove(input_name);
    return answers;
}

TEST(MathFunctionsTest, AgreesWithTheModelOverPrecisionsZeroToThirty) {
    PRECISION_SCOPE scope(8);
    const std::vector<CASE> cases = sweep_cases();
    int status = -1;
    const std::vector<std::string> answers = model_answers(cases, status);
    EXPECT_EQ(status, 0) << "the model failed (see its report above)";
    ASSERT_EQ(answers.size(), cases.size());
    int mismatches = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string got = outcome(cases[i].call);
        if (got != answers[i] && ++mismatches <= 20) {
            ADD_FAILURE() << cases[i].line << ": got " << got << ", model " << answers[i];
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << cases.size() << " cases";
}

}  // namespace
}  // namespace morvu
