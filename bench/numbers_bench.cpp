// Timings of the big-number primitives: long products, quotients,
// factorials and decimal texts, and the small-int path that loops and
// counters take.

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "numbers/int_data.h"
#include "numbers/math_functions.h"
#include "numbers/real_data.h"
#include "runtime/settings.h"

namespace {

using morvu::INT_DATA;
using morvu::REAL_DATA;
using morvu::big_e;
using morvu::big_ln;
using morvu::big_pi;
using morvu::set_working_precision;
using morvu::working_precision;

INT_DATA random_int(int digits, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> digit(0, 9);
    std::string text(1, static_cast<char>('1' + digit(generator) % 9));
    while (static_cast<int>(text.size()) < digits) text.push_back(static_cast<char>('0' + digit(generator)));
    return INT_DATA(text.c_str());
}

void product_of_10000_digit_ints(benchmark::State& state) {
    INT_DATA a = random_int(10000, 1);
    INT_DATA b = random_int(10000, 2);
    for (auto _ : state) benchmark::DoNotOptimize(a * b);
}
BENCHMARK(product_of_10000_digit_ints)->Unit(benchmark::kMicrosecond);

void factorial_20000(benchmark::State& state) {
    INT_DATA n(20000);
    for (auto _ : state) benchmark::DoNotOptimize(INT_DATA::factorial(n));
}
BENCHMARK(factorial_20000)->Unit(benchmark::kMillisecond);

void text_of_factorial_20000(benchmark::State& state) {
    INT_DATA value = INT_DATA::factorial(INT_DATA(20000));
    for (auto _ : state) {
        value.make_digits();  // rebuilds the cached text each time
        benchmark::DoNotOptimize(value.to_text().data());
    }
    state.counters["digits"] = static_cast<double>(value.to_text().size());
}
BENCHMARK(text_of_factorial_20000)->Unit(benchmark::kMicrosecond);

void quotient_20000_by_10000_digits(benchmark::State& state) {
    INT_DATA a = random_int(20000, 3);
    INT_DATA b = random_int(10000, 4);
    for (auto _ : state) benchmark::DoNotOptimize(a / b);
}
BENCHMARK(quotient_20000_by_10000_digits)->Unit(benchmark::kMicrosecond);

void parse_20000_digit_text(benchmark::State& state) {
    std::string text = random_int(20000, 5).to_text();
    for (auto _ : state) benchmark::DoNotOptimize(INT_DATA(text.c_str()));
}
BENCHMARK(parse_20000_digit_text)->Unit(benchmark::kMicrosecond);

// The Fibonacci loop t = a + b; a = b; b = t up to F(100000): long sums
// whose copies share their limbs.
void fibonacci_loop_100000(benchmark::State& state) {
    for (auto _ : state) {
        INT_DATA a(0), b(1), t;
        for (int i = 0; i < 100000; ++i) {
            t = a + b;
            a = b;
            b = t;
        }
        benchmark::DoNotOptimize(a.limb_count());
    }
}
BENCHMARK(fibonacci_loop_100000)->Unit(benchmark::kMillisecond);

// 20000! by f *= k: one-limb products in place.
void factorial_loop_20000(benchmark::State& state) {
    for (auto _ : state) {
        INT_DATA f(1);
        for (int k = 2; k <= 20000; ++k) f *= INT_DATA(k);
        benchmark::DoNotOptimize(f.limb_count());
    }
}
BENCHMARK(factorial_loop_20000)->Unit(benchmark::kMillisecond);

// pi, e and ln 2 at 1000 decimals: series of long quotients. Each run takes
// a precision not seen before, as the constants are kept per precision.
void constants_at_1000_decimals(benchmark::State& state) {
    const int saved = working_precision();
    int precision = 1000;
    for (auto _ : state) {
        set_working_precision(++precision);
        benchmark::DoNotOptimize(big_pi().scale + big_e().scale + big_ln(REAL_DATA(2)).scale);
    }
    set_working_precision(saved);
}
BENCHMARK(constants_at_1000_decimals)->Unit(benchmark::kMillisecond);

// A loop counter: compare, add one, keep going.
void small_int_counter(benchmark::State& state) {
    INT_DATA limit(1000);
    for (auto _ : state) {
        INT_DATA i(0);
        while (i < limit) i.post_increment();
        benchmark::DoNotOptimize(i);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(small_int_counter);

void small_int_arithmetic(benchmark::State& state) {
    INT_DATA a(123456), b(-789);
    for (auto _ : state) benchmark::DoNotOptimize((a * b + a) / b - a % b);
}
BENCHMARK(small_int_arithmetic);

void real_sum_and_text(benchmark::State& state) {
    REAL_DATA a("12345.6789"), b("0.000321");
    for (auto _ : state) benchmark::DoNotOptimize((a + b).to_text(-1).size());
}
BENCHMARK(real_sum_and_text);

}  // namespace

BENCHMARK_MAIN();
