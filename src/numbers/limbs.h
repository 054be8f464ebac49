// The limb constants of INT_DATA's magnitude: a limb holds nine decimal
// digits, a number below limb_base = 10^9, and pow10_table[k] is 10^k for the
// digit positions 0 to 9 of one limb. Only the INT_DATA sources (and their
// tests) include this.

#pragma once

#include <cstdint>

namespace morvu::limbs {

inline constexpr uint32_t limb_base = 1'000'000'000u;
inline constexpr int limb_digits = 9;
inline constexpr uint32_t pow10_table[limb_digits + 1] = {
    1u, 10u, 100u, 1'000u, 10'000u, 100'000u, 1'000'000u, 10'000'000u, 100'000'000u, 1'000'000'000u};

// Refuses at once, with std::bad_alloc as a failed allocation would, a result
// of about `digits` decimal digits that the memory the process may use could
// not hold together with the intermediates that compute it; returns
// otherwise. Used where the size of a result is known before the work.
void require_room_for_digits(double digits);

// The builds of the kernels that sum limbs, multiply them by one limb and
// divide them: for the baseline processor, for one with 256-bit vectors and
// for one with 512-bit vectors. The best build the processor can run is
// chosen at start-up.
enum class KERNEL_SET : uint8_t { portable, narrow, wide };
KERNEL_SET kernel_set();  // the build that runs now
// Runs the given build from now on, so that the builds can be compared;
// false, with nothing changed, when the processor cannot run it.
bool use_kernels(KERNEL_SET set);

}  // namespace morvu::limbs
