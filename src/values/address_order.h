// Puts pointers in the order of their addresses, for freeing many blocks in
// the order they lie in memory. A radix sort: a few passes over the
// pointers, each stable, where a comparison sort would take many more.

#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace morvu {

template <typename T>
void sort_by_address(std::vector<T*>& pointers) {
    if (pointers.size() < 2) return;
    const auto [low, high] = std::minmax_element(pointers.begin(), pointers.end());
    const auto base = reinterpret_cast<uintptr_t>(*low);
    const uintptr_t span = reinterpret_cast<uintptr_t>(*high) - base;
    std::vector<T*> spare(pointers.size());
    std::vector<size_t> starts(65537);
    // Sixteen bits a pass, as many passes as the span of addresses needs.
    for (unsigned shift = 0; shift < 64 && (span >> shift) != 0; shift += 16) {
        std::fill(starts.begin(), starts.end(), 0);
        for (T* pointer : pointers) ++starts[((reinterpret_cast<uintptr_t>(pointer) - base) >> shift & 0xFFFF) + 1];
        for (size_t digit = 1; digit < starts.size(); ++digit) starts[digit] += starts[digit - 1];
        for (T* pointer : pointers)
            spare[starts[(reinterpret_cast<uintptr_t>(pointer) - base) >> shift & 0xFFFF]++] = pointer;
        pointers.swap(spare);
    }
}

}  // namespace morvu
