#include "values/radix_sort.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace morvu {

namespace {

template <typename WORD>
void radix_sort_words(WORD* words, size_t n, unsigned low, unsigned width) {
    // A run of words that fits the scratch buffer is sorted least
    // significant byte first, one stable pass through the buffer per byte;
    // the shortest by insertion. A longer run is counted by its most
    // significant byte and its words swapped into the runs of their digits
    // in place, so that a long list needs no buffer as long as itself.
    constexpr unsigned digit_bits = 8;
    constexpr size_t radix = size_t{1} << digit_bits;
    constexpr size_t insertion_below = 32;
    constexpr size_t scratch_up_to = size_t{1} << 16;
    auto digit_of = [low](WORD word, unsigned shift, uint64_t mask) {
        return (static_cast<uint64_t>(word) >> low >> shift) & mask;
    };
    struct RUN {
        WORD* words;
        size_t n;
        unsigned width;  // bits of the field still unsorted, from low
    };
    std::vector<RUN> pending{{words, n, width}};
    // Kept from sort to sort: a buffer of this size, taken and given back
    // each time, would come fresh from the system and fault in every page.
    static std::vector<WORD> scratch;
    std::array<size_t, radix> ends{};
    std::array<size_t, radix> next{};
    while (!pending.empty()) {
        const RUN run = pending.back();
        pending.pop_back();
        WORD* part = run.words;
        if (run.n < insertion_below) {
            for (size_t i = 1; i < run.n; ++i) {
                const WORD word = part[i];
                size_t j = i;
                for (; j > 0 && (part[j - 1] >> low) > (word >> low); --j) part[j] = part[j - 1];
                part[j] = word;
            }
            continue;
        }
        if (run.n <= scratch_up_to) {
            if (scratch.size() < run.n) scratch.resize(std::min(n, scratch_up_to));
            WORD* from = part;
            WORD* to = scratch.data();
            for (unsigned shift = 0; shift < run.width; shift += digit_bits) {
                const uint64_t mask = (uint64_t{1} << std::min(digit_bits, run.width - shift)) - 1;
                next.fill(0);
                for (size_t i = 0; i < run.n; ++i) ++next[digit_of(from[i], shift, mask)];
                if (next[digit_of(from[0], shift, mask)] == run.n) continue;  // a digit all words share
                size_t start = 0;
                for (size_t& count : next) start += std::exchange(count, start);
                for (size_t i = 0; i < run.n; ++i) to[next[digit_of(from[i], shift, mask)]++] = from[i];
                std::swap(from, to);
            }
            if (from != part) std::copy(from, from + run.n, part);
            continue;
        }
        const unsigned digit = std::min(run.width, digit_bits);
        const unsigned shift = run.width - digit;
        const uint64_t mask = (uint64_t{1} << digit) - 1;
        ends.fill(0);
        for (size_t i = 0; i < run.n; ++i) ++ends[digit_of(part[i], shift, mask)];
        size_t start = 0;
        for (size_t d = 0; d < radix; ++d) {
            next[d] = start;
            start += ends[d];
            ends[d] = start;
        }
        // Each word taken out of place is carried to the next free place of
        // its digit's run, and the word found there carried on in turn.
        for (size_t d = 0; d < radix; ++d) {
            while (next[d] < ends[d]) {
                WORD word = part[next[d]];
                for (size_t home = digit_of(word, shift, mask); home != d; home = digit_of(word, shift, mask))
                    std::swap(word, part[next[home]++]);
                part[next[d]++] = word;
            }
        }
        if (run.width == digit) continue;
        size_t begin = 0;
        for (size_t d = 0; d < radix; ++d) {
            if (ends[d] - begin > 1) pending.push_back({part + begin, ends[d] - begin, run.width - digit});
            begin = ends[d];
        }
    }
}

}  // namespace

void radix_sort_field(uint64_t* words, size_t n, unsigned low, unsigned width) {
    radix_sort_words(words, n, low, width);
}

void radix_sort_field(uint32_t* words, size_t n, unsigned low, unsigned width) {
    radix_sort_words(words, n, low, width);
}

}  // namespace morvu
