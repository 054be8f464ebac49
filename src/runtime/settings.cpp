#include "runtime/settings.h"

#include <unistd.h>

#include <cstdint>

namespace morvu {

namespace {

int working_digits = 8;
int output_digits = -1;

}  // namespace

int working_precision() { return working_digits; }
void set_working_precision(int digits) { working_digits = digits; }
int output_precision() { return output_digits; }
void set_output_precision(int digits) { output_digits = digits; }

STOPWATCH::STOPWATCH() {
    start_cpu_timer(this);
    start_wall_timer(this);
}

STOPWATCH process_stopwatch;

void start_cpu_timer(STOPWATCH* watch) { ::times(&watch->cpu_start); }

void start_wall_timer(STOPWATCH* watch) { ::gettimeofday(&watch->wall_start, nullptr); }

double cpu_time_elapsed(STOPWATCH* watch) {
    ::times(&watch->cpu_now);
    // Unsigned 32-bit difference: correct across one wrap of the tick counter.
    uint32_t ticks =
        static_cast<uint32_t>(watch->cpu_now.tms_utime) - static_cast<uint32_t>(watch->cpu_start.tms_utime);
    static const long ticks_per_second = ::sysconf(_SC_CLK_TCK);
    return static_cast<double>(ticks) / static_cast<double>(ticks_per_second > 0 ? ticks_per_second : 100);
}

double wall_time_elapsed(STOPWATCH* watch) {
    ::gettimeofday(&watch->wall_now, nullptr);
    long long micros = static_cast<long long>(watch->wall_now.tv_usec) - watch->wall_start.tv_usec;
    long long seconds = static_cast<long long>(watch->wall_now.tv_sec) - watch->wall_start.tv_sec;
    return static_cast<double>(micros) * 0.000001 + static_cast<double>(seconds);
}

double calctime_elapsed() { return cpu_time_elapsed(&process_stopwatch); }
void calctime_reset() { start_cpu_timer(&process_stopwatch); }
double realtime_elapsed() { return wall_time_elapsed(&process_stopwatch); }
void realtime_reset() { start_wall_timer(&process_stopwatch); }

}  // namespace morvu
