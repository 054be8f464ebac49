#include <gtest/gtest.h>

#include <time.h>

#include "runtime/settings.h"

namespace morvu {
namespace {

void sleep_milliseconds(long milliseconds) {
    struct timespec pause {
        0, milliseconds * 1000000L
    };
    while (::nanosleep(&pause, &pause) != 0) {}
}

// Burns user CPU time until the watch has advanced by at least one tick.
double spin_until_cpu_moves(STOPWATCH* watch) {
    volatile unsigned long sink = 0;
    double elapsed = 0;
    for (int round = 0; round < 2000 && elapsed <= 0; ++round) {
        for (int i = 0; i < 1000000; ++i) sink = sink + static_cast<unsigned long>(i);
        elapsed = cpu_time_elapsed(watch);
    }
    return elapsed;
}

TEST(Precision, DefaultsAndSetters) {
    EXPECT_EQ(working_precision(), 8);
    EXPECT_EQ(output_precision(), -1);
    set_working_precision(30);
    set_output_precision(0);
    EXPECT_EQ(working_precision(), 30);
    EXPECT_EQ(output_precision(), 0);
    set_working_precision(8);
    set_output_precision(-1);
}

TEST(Stopwatch, WallClockMovesForward) {
    STOPWATCH watch;
    double first = wall_time_elapsed(&watch);
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 0.5);
    sleep_milliseconds(30);
    double second = wall_time_elapsed(&watch);
    EXPECT_GE(second, first + 0.025);  // readings never move the start
    EXPECT_LT(second, 5.0);

    start_wall_timer(&watch);
    EXPECT_LT(wall_time_elapsed(&watch), second);
}

TEST(Stopwatch, CpuTimeMovesForwardInTicks) {
    STOPWATCH watch;
    double spun = spin_until_cpu_moves(&watch);
    EXPECT_GT(spun, 0.0);
    EXPECT_GE(cpu_time_elapsed(&watch), spun);
    // A sleeping process uses no user time worth a tick.
    start_cpu_timer(&watch);
    sleep_milliseconds(50);
    EXPECT_LT(cpu_time_elapsed(&watch), 0.03);
}

TEST(Stopwatch, ProcessWatchResets) {
    EXPECT_GE(realtime_elapsed(), 0.0);
    realtime_reset();
    EXPECT_LT(realtime_elapsed(), 0.1);
    calctime_reset();
    EXPECT_LT(calctime_elapsed(), 0.05);
    EXPECT_GE(calctime_elapsed(), 0.0);
}

}  // namespace
}  // namespace morvu
