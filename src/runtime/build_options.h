#pragma once

// Choices made when the interpreter is built.

#ifndef MORVU_FAST_PATHS
#define MORVU_FAST_PATHS 1
#endif

namespace morvu {

// Whether the specialised roads (int loops and routines, the single-value
// fast path, slot paths, the types' direct handlers, switch plans, hash
// shortcuts) run beside the general evaluator. Each computes what the
// general road computes, faster for the shapes it takes; a build without
// them sends every program down the general road alone, so that the two
// builds can be compared on the same programs.
inline constexpr bool fast_paths = MORVU_FAST_PATHS != 0;

}  // namespace morvu
