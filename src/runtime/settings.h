// Process-wide settings of decimal arithmetic and the two stopwatches of a
// program run.
//
// The working precision is the number of decimals real arithmetic keeps (8
// at start); the output precision the number of decimals a real value shows
// when printed (-1: up to the last non-zero decimal, 0: the integer part
// only). Neither setter checks its argument; the callers do.
//
// STOPWATCH holds the start and the last reading of a wall clock and of the
// process's user CPU time. Readings never move the start, so successive
// readings grow until the watch is restarted. process_stopwatch is built with
// both clocks started before main runs, so a first reading measures from the
// start of the interpreter.

#pragma once

#include <sys/time.h>
#include <sys/times.h>

namespace morvu {

int working_precision();
void set_working_precision(int digits);
int output_precision();
void set_output_precision(int digits);

struct STOPWATCH {
    struct timeval wall_start {};
    struct timeval wall_now {};
    struct tms cpu_start {};
    struct tms cpu_now {};

    STOPWATCH();  // both clocks started
};

extern STOPWATCH process_stopwatch;

void start_cpu_timer(STOPWATCH* watch);
void start_wall_timer(STOPWATCH* watch);

// User CPU seconds since the CPU start, in clock ticks (0.01 s on Linux).
double cpu_time_elapsed(STOPWATCH* watch);

// Wall-clock seconds since the wall start, to the microsecond; negative when
// the system clock was set back in between.
double wall_time_elapsed(STOPWATCH* watch);

// The process stopwatch, as get_calctime / set_calctime and get_realtime /
// set_realtime see it.
double calctime_elapsed();
void calctime_reset();
double realtime_elapsed();
void realtime_reset();

}  // namespace morvu
