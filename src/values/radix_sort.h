// Sorting machine words by a bit field they carry, without comparisons: the
// containers whose elements are all plain numbers pack each number with
// what finds its element again into one word and sort the words.

#pragma once

#include <cstddef>
#include <cstdint>

namespace morvu {

// Orders words[0 .. n-1] in place by word >> low, which must be below
// 2^width. Not stable: words with equal fields end in any order.
void radix_sort_field(uint64_t* words, size_t n, unsigned low, unsigned width);
// The same for words of half the size, which halve the buffer a sort needs.
void radix_sort_field(uint32_t* words, size_t n, unsigned low, unsigned width);

}  // namespace morvu
