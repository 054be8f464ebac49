// Timings of the mathematical functions at 1,000 working digits: square
// root, exponential, natural logarithm and sine, each for a short argument
// (a literal as a program writes it) and for an argument with 1,000 decimals
// (a computed value). pi is kept per precision, so the sine is timed once
// with pi already known; the first pi at that precision is timed alone.

#include <benchmark/benchmark.h>

#include "numbers/math_functions.h"
#include "runtime/settings.h"

namespace {

using morvu::REAL_DATA;

constexpr int digits = 1000;

// 1 + 1/7 with 1,000 decimals.
REAL_DATA long_argument() {
    REAL_DATA one(1);
    one.set_scale(digits);
    return one / REAL_DATA(7) + REAL_DATA(1);
}

void first_pi_at_1000_digits(benchmark::State& state) {
    morvu::set_working_precision(digits);
    for (auto _ : state) benchmark::DoNotOptimize(morvu::big_pi());
}
BENCHMARK(first_pi_at_1000_digits)->Iterations(1)->Unit(benchmark::kMillisecond);

using FUNCTION = REAL_DATA (*)(const REAL_DATA&);

void time_function(benchmark::State& state, FUNCTION function, const REAL_DATA& x) {
    morvu::set_working_precision(digits);
    for (auto _ : state) benchmark::DoNotOptimize(function(x));
}

void sqrt_of_2(benchmark::State& state) { time_function(state, morvu::big_sqrt, REAL_DATA("2")); }
void sqrt_long(benchmark::State& state) { time_function(state, morvu::big_sqrt, long_argument()); }
void exp_of_1_5(benchmark::State& state) { time_function(state, morvu::big_exp, REAL_DATA("1.5")); }
void exp_long(benchmark::State& state) { time_function(state, morvu::big_exp, long_argument()); }
void ln_of_2_5(benchmark::State& state) { time_function(state, morvu::big_ln, REAL_DATA("2.5")); }
void ln_long(benchmark::State& state) { time_function(state, morvu::big_ln, long_argument()); }
void sin_of_1_2345(benchmark::State& state) { time_function(state, morvu::big_sin, REAL_DATA("1.2345")); }
void sin_long(benchmark::State& state) { time_function(state, morvu::big_sin, long_argument()); }

BENCHMARK(sqrt_of_2)->Unit(benchmark::kMillisecond);
BENCHMARK(sqrt_long)->Unit(benchmark::kMillisecond);
BENCHMARK(exp_of_1_5)->Unit(benchmark::kMillisecond);
BENCHMARK(exp_long)->Unit(benchmark::kMillisecond);
BENCHMARK(ln_of_2_5)->Unit(benchmark::kMillisecond);
BENCHMARK(ln_long)->Unit(benchmark::kMillisecond);
BENCHMARK(sin_of_1_2345)->Unit(benchmark::kMillisecond);
BENCHMARK(sin_long)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
