// Timings of the big-number primitives: long products, quotients,
// factorials and decimal texts, and the small-int path that loops and
// counters take.

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "numbers/int_data.h"
#include "numbers/real_data.h"

namespace {

using morvu::INT_DATA;
using morvu::REAL_DATA;

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
