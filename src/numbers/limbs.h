// The limb constants of INT_DATA's magnitude: a limb holds nine decimal
// digits, a number below limb_base = 10^9, and pow10_table[k] is 10^k for the
// digit positions 0 to 9 of one limb. Only the INT_DATA sources include this.

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

}  // namespace morvu::limbs
