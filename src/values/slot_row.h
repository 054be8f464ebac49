// The slots of array and array2 values: one machine word per slot. A word
// is 0 for an undefined slot, the address of an element cell the row owns,
// or a small value held in the word itself (a compact slot):
//
//   ...vvvv 01    an int in [-2^61, 2^61), shifted up by two
//   ...dd k 11    a bool (k 0) or a char (k 1); dd is its bool word or byte
//
// Cells are at least 8-byte aligned, so the two low bits tell the forms
// apart. A sieve of a million bools then costs one word a slot instead of
// a word and a 24-byte cell.
//
// A compact slot stands for exactly the element cell that a plain copy of
// its value into the slot would make: an any cell tagged 'I' (its int in
// the payload word), 'B' or 'C', with no links to it, no flags and the
// variable access mode. Nothing can link to a value that has no cell, so a
// compact slot is met only by the readers of this row. Whoever needs the
// cell itself (an alias of the slot, a walk's loop variable, a reference)
// asks cell(), which makes the element cell once and keeps it in the slot;
// from then on the slot owns that cell until it is replaced, removed or
// cleared, so its address stays valid like that of any element. Readers
// that only look at the value take view(), which lends a temporary cell and
// leaves the slot compact.
//
// Destroying an element may dissolve links elsewhere in the same value, so
// a cell always leaves its slot before it is destroyed.

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "values/union_data.h"

namespace morvu {

// ---- compact words ----

inline constexpr uintptr_t undefined_slot = 0;
inline constexpr int64_t compact_int_min = -(int64_t{1} << 61);
inline constexpr int64_t compact_int_max = (int64_t{1} << 61) - 1;

inline bool is_compact_word(uintptr_t word) { return (word & 1) != 0; }
inline bool is_int_word(uintptr_t word) { return (word & 3) == 1; }
inline bool is_bool_word(uintptr_t word) { return (word & 15) == 3; }
inline bool is_char_word(uintptr_t word) { return (word & 15) == 7; }

inline int64_t int_of_word(uintptr_t word) { return static_cast<int64_t>(word) >> 2; }  // keeps the sign
inline uint16_t bool_of_word(uintptr_t word) { return static_cast<uint16_t>(word >> 8); }
inline char char_of_word(uintptr_t word) { return static_cast<char>(static_cast<uint8_t>(word >> 8)); }

// The word of an int; false, with word untouched, outside the compact range.
inline bool int_word(int64_t value, uintptr_t& word) {
    if (value < compact_int_min || value > compact_int_max) return false;
    word = (static_cast<uintptr_t>(value) << 2) | 1;
    return true;
}
// bool_word is the cell's: 0 false, 1 true, 0xFFFF the empty bool.
inline uintptr_t bool_word_of(uint16_t bool_word) { return (uintptr_t{bool_word} << 8) | 3; }
inline uintptr_t char_word_of(char byte) { return (uintptr_t{static_cast<uint8_t>(byte)} << 8) | 7; }

// The word that stands for a plain copy of a defined int, bool or char
// value; false for every other value (and for an int outside the range, or
// whose copy is no plain machine int).
bool compact_word_of_value(const UNION_DATA* value, uintptr_t& word);

// The word that can take an element cell's place: the cell is exactly what
// the word stands for (see above) and nothing refers to it.
bool compact_word_of_element(const UNION_DATA* cell, uintptr_t& word);

// Gives an any cell without payload of its own the tag and value the word
// stands for.
void shape_cell(UNION_DATA* cell, uintptr_t word);

// A new element cell ('v') made from cell by the assignment mode; *message
// gets the copy's message, null on success.
std::unique_ptr<UNION_DATA> make_array_element(UNION_DATA* cell, int mode, const char** message);

// A temporary cell showing the value of a compact slot, for readers that
// do not keep the cell. A reader that boxes its int into a record
// (int_data()) leaves the record to the view, which frees it.
class SLOT_VIEW {
public:
    SLOT_VIEW() = default;
    ~SLOT_VIEW() { reset(); }
    SLOT_VIEW(const SLOT_VIEW&) = delete;
    SLOT_VIEW& operator=(const SLOT_VIEW&) = delete;

    // The cell shaped as the word's element.
    UNION_DATA* show(uintptr_t word);

private:
    // Frees the record a reader may have boxed the int into (int_data()).
    void reset();
    UNION_DATA cell{tag_any};
};

class SLOT_ROW {
public:
    SLOT_ROW() = default;
    // count undefined slots; throws std::bad_alloc or std::length_error as a
    // vector does.
    explicit SLOT_ROW(size_t count) : words(count, undefined_slot) {}
    ~SLOT_ROW() { clear(); }
    SLOT_ROW(SLOT_ROW&& other) noexcept : words(std::move(other.words)) { other.words.clear(); }
    // Takes the other row's slots; this row's old elements are destroyed
    // after the exchange, one by one.
    SLOT_ROW& operator=(SLOT_ROW&& other) noexcept;
    SLOT_ROW(const SLOT_ROW&) = delete;
    SLOT_ROW& operator=(const SLOT_ROW&) = delete;

    size_t size() const { return words.size(); }
    bool empty() const { return words.empty(); }
    // The first word; a row that is reused keeps it.
    const uintptr_t* data() const { return words.data(); }
    // The word itself, for readers of compact values.
    uintptr_t word(size_t at) const { return words[at]; }
    bool is_defined(size_t at) const { return words[at] != undefined_slot; }

    // The element cell of a slot, made once for a compact slot and kept
    // there; null for an undefined slot.
    UNION_DATA* cell(size_t at) const {
        const uintptr_t found = words[at];
        if (!is_compact_word(found)) return reinterpret_cast<UNION_DATA*>(found);
        return make_cell(at);
    }
    // The element cell the slot owns already; null for a compact or
    // undefined slot.
    UNION_DATA* owned_cell(size_t at) const {
        const uintptr_t found = words[at];
        return is_compact_word(found) ? nullptr : reinterpret_cast<UNION_DATA*>(found);
    }
    // The slot's value for reading: its own cell, or the view showing a
    // compact slot; null for an undefined slot.
    UNION_DATA* view(size_t at, SLOT_VIEW& view) const {
        const uintptr_t found = words[at];
        return is_compact_word(found) ? view.show(found) : reinterpret_cast<UNION_DATA*>(found);
    }

    // Puts a new element made from source by the assignment mode into the
    // slot: a compact word when the mode copies a value that has one, else a
    // new element cell (make_array_element). The new element is made before
    // the old one goes, so source may be (or lie inside) the element it
    // replaces. The result is the message of an element copy that failed,
    // which leaves the slot as it was; null on success. *added tells whether
    // an undefined slot became defined.
    const char* store(size_t at, UNION_DATA* source, int mode, bool* added);

    // Each returns the element cell the slot owned before (null for a
    // compact or undefined one); the caller destroys it after the slot has
    // its new content.
    std::unique_ptr<UNION_DATA> put_cell(size_t at, std::unique_ptr<UNION_DATA> cell) {
        return take_and_set(at, reinterpret_cast<uintptr_t>(cell.release()));
    }
    std::unique_ptr<UNION_DATA> put_word(size_t at, uintptr_t word) { return take_and_set(at, word); }
    std::unique_ptr<UNION_DATA> release(size_t at) { return take_and_set(at, undefined_slot); }

    // Gives the slot the value a compact word stands for, as assigning it
    // to the slot's element would: an undefined or compact slot takes the
    // word, an element cell that is a plain any cell (holding an int, a
    // bool, a char, the empty value or nothing) takes the value in place,
    // so that whatever links to it sees the new value. False, with nothing
    // changed, for an element of another kind. *added tells whether an
    // undefined slot became defined.
    bool write_word(size_t at, uintptr_t word, bool* added);
    // write_word over a slot holding a compact word, done inline; false,
    // with nothing changed, for every other slot.
    bool overwrite_compact(size_t at, uintptr_t word) {
        uintptr_t& found = words[at];
        if (!is_compact_word(found)) return false;
        found = word;
        return true;
    }

    // The int a slot holds in its plain form, compact or in its cell; false
    // for any other slot.
    bool plain_int(size_t at, int64_t& out) const;

    // Undefines every slot, destroying each owned cell after it has left
    // its slot; the size stays.
    void clear();

    // Slot i takes the element of slot permutation[i] (a permutation of the
    // positions); cells move, they are not copied.
    void permute(const int* permutation);

    // A copy of the source's slots into this empty row of the same size:
    // compact slots as they are, each element cell as its mode 4 copy (a
    // reference stays a reference to the same target), a word when the
    // copy is one. *defined gets the number of defined slots; the result is
    // the first message of an element copy, or null.
    const char* copy_from(const SLOT_ROW& source, int* defined);

private:
    std::unique_ptr<UNION_DATA> take_and_set(size_t at, uintptr_t word) {
        const uintptr_t old = words[at];
        words[at] = word;
        return std::unique_ptr<UNION_DATA>(is_compact_word(old) ? nullptr : reinterpret_cast<UNION_DATA*>(old));
    }
    [[gnu::noinline]] UNION_DATA* make_cell(size_t at) const;

    // Materialising a compact slot changes only the form of the slot, not
    // its value: a reader of a const row may ask for the cell.
    mutable std::vector<uintptr_t> words;
};

}  // namespace morvu
