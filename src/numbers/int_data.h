// INT_DATA is the signed integer of unbounded size behind the language's int,
// the mantissa of REAL_DATA and the counter of loops and pending levels.
//
// The magnitude is kept in limbs of 10^9 (nine decimal digits each), least
// significant first, without leading zero limbs; a zero is the single limb 0.
// The sign is +1 or -1. A zero may carry -1 (a product or a
// quotient keeps the product of the signs), yet it prints "0" and equals every
// other zero. The empty object (default constructed, or built from a null
// text) has no limbs and sign 0; it counts as zero everywhere, and a product or
// quotient with an empty operand is a zero of sign 0.
//
// A magnitude below 2^64 is held whole, as a machine word (the small form):
// storing and reading a machine integer then takes a few instructions, and
// such a number owns no memory beyond the object. Every result that fits a
// word takes the small form; larger magnitudes keep their limbs in a heap
// block. The limb count stays exact in both forms. Routines that read the
// limbs of a small form have them written into a buffer of their own; one
// that writes limbs moves the number into a heap block first.
//
// Callers see the magnitude as base-1000 groups: limb_count() and limb(i)
// answer in groups of three digits, and a number built from text keeps the
// group count of its text (n / 3 + 1 groups for n characters, so "123" has the
// groups 123 and 0) until strip() or an operation drops the leading zero
// groups. The count of those extra groups is held in the object below
// wide_extra; a larger one (a text with some 380 leading zeros or more)
// lives in the text cache's block.
//
// The heap block also holds its capacity, the count of limbs in use and a
// count of its holders. Copies share the block until one of them changes its
// limbs: every write goes through the non-const limb_data() or
// reserve_limbs(), which give the writer a block of its own first. A small
// form's limb count follows from its word.
//
// The object takes 16 bytes: the word, the number of its text cache's slot,
// and a byte each for the sign, the form, the state of the text cache and the
// extra groups. Whole bytes, not bit fields: storing a machine integer then
// writes them without reading them first.
//
// The signed decimal text is a cache, built on demand by to_text() and kept
// until the value changes; its string is allocated, in a slot of a table
// shared by all numbers, the first time a text is asked for. A number built from text keeps that text exactly ("007" prints
// as "007"); copies and results get the plain form ("7").
//
// A zero divisor given to the division or remainder throws ARITH with code 0.
// A result that could not be held in memory (a power to an exponent of 10^18
// or more, the factorial of such a number) throws std::bad_alloc, as any
// allocation that fails does.

#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/block_pool.h"

namespace morvu {

class REAL_DATA;

class INT_DATA {
public:
    INT_DATA() noexcept {}
    INT_DATA(int value);
    INT_DATA(long value);
    explicit INT_DATA(const char* text);  // decimal digits with an optional '-'; null: empty
    // A copy gets the plain text form; a small form is copied in place.
    INT_DATA(const INT_DATA& other) : sign_value(other.sign_value) {
        if (other.is_small() && other.extra_short != wide_extra) {
            word = other.word;
            form = form_small;
            extra_short = other.extra_short;
        } else {
            copy_construct(other);
        }
    }
    INT_DATA(INT_DATA&& other) noexcept;
    INT_DATA& operator=(const INT_DATA& other) {
        if (other.is_small() && !is_heap() && other.extra_short != wide_extra) {
            word = other.word;
            form = form_small;
            sign_value = other.sign_value;
            extra_short = other.extra_short;
            text_state = no_text;
        } else {
            assign_copy(other);
        }
        return *this;
    }
    INT_DATA& operator=(INT_DATA&& other) noexcept;
    ~INT_DATA() {
        if (is_heap()) drop_heap(heap());
        if (text_slot != 0) release_text_slot(text_slot);
    }

    // The payload of every int cell: recycled, as the cells are.
    static void* operator new(std::size_t size) { return BLOCK_POOL<INT_DATA>::allocate(size); }
    static void operator delete(void* number, std::size_t size) noexcept {
        BLOCK_POOL<INT_DATA>::release(number, size);
    }

    // Representation in base-1000 groups.
    int limb_count() const;     // groups in use, leading zero groups included; 0 when empty
    int limb(int index) const;  // group index (0 to 999); 0 beyond the count
    int sign() const { return sign_value; }
    void set_sign(int sign);
    std::string_view digits() const;  // the magnitude's decimal text, without sign

    // Rebuilds the limbs from the digit text, as the text constructor groups
    // it (the width is always 3). The sign and the digit text stay.
    void split_limbs(int width = 3);
    void free_limbs();  // drops the limbs: the object becomes empty, sign and text stay
    void strip();       // drops leading zero groups
    bool is_empty() const { return form == form_empty || (form == form_heap && heap()->used == 0); }
    // The value as a 64-bit integer when it has one and fits; false for an
    // empty number and for magnitudes beyond the 64-bit range.
    bool to_int64(int64_t& out) const {
        if (is_small()) {
            const uint64_t magnitude = small_magnitude();
            if (sign_value < 0) {
                if (magnitude > uint64_t{1} << 63) return false;
                out = static_cast<int64_t>(0 - magnitude);
            } else {
                if (magnitude > uint64_t{INT64_MAX}) return false;
                out = static_cast<int64_t>(magnitude);
            }
            return true;
        }
        return wide_to_int64(out);
    }
    // The value when a copy of this number is the plain form of it, as
    // assign_int64 makes it: a machine word without extra groups whose sign
    // is the value's (+1 for zero). A kept text does not travel with a copy.
    bool plain_copy_int64(int64_t& out) const {
        if (!is_small() || extra_short != 0 || !to_int64(out)) return false;
        return sign_value == (out < 0 ? -1 : 1);
    }
    // The same for this number itself: it also prints as the plain form.
    bool plain_int64(int64_t& out) const { return text_state != kept_text && plain_copy_int64(out); }
    // Becomes the value, in its plain form, as an arithmetic result would.
    void assign_int64(int64_t value) {
        const bool negative = value < 0;
        set_small(negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
        sign_value = negative ? -1 : 1;
        extra_short = 0;
        text_state = no_text;
    }
    void make_digits() const;            // rebuilds the digit text from the limbs
    const std::string& to_text() const;  // signed decimal text; "0" for every zero
    // Appends to_text() to out; a machine word with no text kept is written
    // without building the cached text.
    void append_text(std::string& out) const;

    // Comparison: numeric; every zero (either sign, or empty) equals every other.
    bool is_zero() const {
        if (is_small()) return word == 0;
        return !is_heap() || heap()->used == 0 || (heap()->used == 1 && heap()->limbs()[0] == 0);
    }
    bool operator==(const INT_DATA& other) const;
    bool operator!=(const INT_DATA& other) const { return !(*this == other); }
    bool operator<(const INT_DATA& other) const;
    bool operator>(const INT_DATA& other) const { return other < *this; }
    bool operator<=(const INT_DATA& other) const { return !(other < *this); }
    bool operator>=(const INT_DATA& other) const { return !(*this < other); }

    // Arithmetic. Sums and differences that are zero get the sign +1; products
    // and quotients get the product of the signs. Division truncates toward
    // zero. The remainder lies between 0 and |divisor| - 1 for a negative
    // dividend and has the dividend's sign otherwise (7 % -3 is 1, -7 % 3 is 2,
    // -7 % -3 is 2).
    INT_DATA operator+(const INT_DATA& other) const;
    INT_DATA operator-(const INT_DATA& other) const;
    INT_DATA operator*(const INT_DATA& other) const;
    INT_DATA operator/(const INT_DATA& divisor) const;
    INT_DATA operator%(const INT_DATA& divisor) const;
    INT_DATA negated() const;                        // empty stays empty
    INT_DATA power(const INT_DATA& exponent) const;  // 1 for an exponent <= 0

    // this = a + b, or a - b when subtract is set, as the operators give it;
    // a or b may be this number. The limbs go into this number's own block
    // when it has room and no copy shares it.
    void assign_sum(const INT_DATA& a, const INT_DATA& b, bool subtract);

    INT_DATA& operator+=(const INT_DATA& other);
    INT_DATA& operator-=(const INT_DATA& other);
    INT_DATA& operator*=(const INT_DATA& other);
    INT_DATA& operator/=(const INT_DATA& divisor);
    INT_DATA& operator%=(const INT_DATA& divisor);
    INT_DATA& power_assign(const INT_DATA& exponent);
    INT_DATA post_increment();  // returns the old value
    INT_DATA post_decrement();

    // Magnitude operations: each replaces result by a magnitude with the sign
    // +1 (mod_magnitudes: a's sign), which the caller may change.
    // sub_magnitudes needs |b| <= |a|; a zero b makes the divisions throw ARITH.
    static void add_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);
    static void sub_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);
    static void mul_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);
    static void div_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);
    static void mod_magnitudes(const INT_DATA& a, const INT_DATA& b, INT_DATA& result);

    // Number theory.
    // Exact for n >= 2; 0 and 1 are not prime, and a negative n is prime
    // unless 2, 3, 5 or 7 divides it.
    bool is_prime() const;
    static INT_DATA factorial(const INT_DATA& n);                    // 1 for n < 2
    static INT_DATA binomial(const INT_DATA& n, const INT_DATA& k);  // 0 for n < k
    static INT_DATA gcd(INT_DATA a, INT_DATA b);                     // >= 1; 1 with a zero operand
    static INT_DATA lcm(const INT_DATA& a, const INT_DATA& b);       // a * b / gcd

private:
    friend class REAL_DATA;

    // Limbs written from a small form: 2^64 has 20 digits.
    static constexpr int small_limbs = 3;
    // Extra groups at or beyond this count live in the text cache's block.
    static constexpr int wide_extra = INT8_MAX;
    // Where the magnitude is: nowhere (an empty number), in the word, or in
    // the heap block.
    static constexpr uint8_t form_empty = 0;
    static constexpr uint8_t form_small = 1;
    static constexpr uint8_t form_heap = 2;
    // What the text cache holds: nothing valid, the text a number was built
    // from ("007"), or the plain form.
    static constexpr uint8_t no_text = 0;
    static constexpr uint8_t kept_text = 1;
    static constexpr uint8_t plain_text = 2;
    bool is_small() const { return form == form_small; }
    bool is_heap() const { return form == form_heap; }

    // The heap block of limbs: its header, then capacity limbs. A block of
    // line_from limbs or more has its limbs start on a 64-byte line and a
    // capacity of whole lines, so the vector kernels read and write whole
    // lines; the header then sits at the end of a line of its own. A few such
    // blocks are kept when freed, for the next result of about their size
    // (a loop of long sums then takes no memory from the heap).
    struct HEAP_LIMBS {
        int32_t holders;  // objects sharing the block
        int32_t capacity;
        int32_t used;     // limbs in use; every holder has the same limbs
        int32_t padding;  // the limbs start on an 8-byte boundary
        uint32_t* limbs() { return reinterpret_cast<uint32_t*>(this + 1); }
    };
    void set_used(int n) { heap()->used = n; }  // the heap form's count
    static HEAP_LIMBS* new_heap(int capacity);
    static void drop_heap(HEAP_LIMBS* block) noexcept;  // one holder fewer; freed by the last

    // The text cache, allocated the first time a text is asked for or a
    // count of extra groups too large for the object is kept.
    struct TEXT_CACHE {
        std::string text;
        int32_t extra_groups = 0;  // read when the object's count is wide_extra
        static void* operator new(std::size_t size) { return BLOCK_POOL<TEXT_CACHE>::allocate(size); }
        static void operator delete(void* cache, std::size_t size) noexcept {
            BLOCK_POOL<TEXT_CACHE>::release(cache, size);
        }
    };

    // The word holds the heap block's address (on_heap) or the small form's
    // magnitude (small).
    HEAP_LIMBS* heap() const { return reinterpret_cast<HEAP_LIMBS*>(static_cast<uintptr_t>(word)); }
    void set_heap(HEAP_LIMBS* block) { word = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(block)); }
    uint64_t small_magnitude() const { return word; }
    // Holds magnitude in the small form; a heap block is given up.
    void set_small(uint64_t magnitude) {
        if (is_heap()) leave_heap();
        word = magnitude;
        form = form_small;
    }
    // Limbs of 10^9 in use, in either form; 0 only when empty.
    int used_count() const {
        if (is_small()) return word < 1'000'000'000u ? 1 : word < 1'000'000'000'000'000'000u ? 2 : 3;
        return is_heap() ? heap()->used : 0;
    }
    void leave_heap() noexcept;
    // The magnitude as a machine word, when it is held whole or in at most
    // two limbs (an empty number gives 0); false otherwise.
    bool machine_magnitude(uint64_t& out) const {
        if (is_small()) {
            out = word;
            return true;
        }
        const int used = used_count();
        if (used > 2) return false;
        if (used == 0) {
            out = 0;
            return true;
        }
        const uint32_t* data = heap()->limbs();
        out = used == 1 ? data[0] : uint64_t{data[1]} * 1'000'000'000u + data[0];
        return true;
    }
    // The limbs for reading: a small form writes its limbs into scratch (an
    // empty number reads as the single limb 0 there).
    const uint32_t* read_limbs(uint32_t (&scratch)[small_limbs]) const {
        if (is_heap()) return heap()->limbs();
        write_small_limbs(is_small() ? word : 0, scratch);
        return scratch;
    }
    static void write_small_limbs(uint64_t magnitude, uint32_t* out) {
        out[0] = static_cast<uint32_t>(magnitude % 1'000'000'000u);
        out[1] = static_cast<uint32_t>(magnitude / 1'000'000'000u % 1'000'000'000u);
        out[2] = static_cast<uint32_t>(magnitude / 1'000'000'000u / 1'000'000'000u);
    }

    // The limbs for writing, in a heap block of this object's own: a small
    // or empty number moves into one, a block shared with a copy is copied.
    uint32_t* limb_data() {
        if (!is_heap() || heap()->holders > 1) reserve_limbs(used_count(), true);
        return heap()->limbs();
    }
    // Room for n limbs in a heap block of this object's own; the old limbs
    // (a small form's too) are kept only when keep is set.
    void reserve_limbs(int n, bool keep);
    int extra_groups() const { return extra_short != wide_extra ? extra_short : wide_extra_groups(); }
    int wide_extra_groups() const;
    void set_extra_groups(int count) {
        if (count < wide_extra) {
            extra_short = static_cast<int8_t>(count);
        } else {
            set_wide_extra(count);
        }
    }
    void set_wide_extra(int count);
    void copy_construct(const INT_DATA& other);     // the copy constructor beyond the small form
    void assign_copy(const INT_DATA& other);        // the copy assignment beyond the small form
    void copy_limbs_of(const INT_DATA& other);      // shares other's heap block, or copies
    void set_limbs(const uint32_t* source, int n);  // copies n limbs and trims leading zeros
    // Drops leading zero limbs, keeps one; a magnitude that fits a word
    // takes the small form.
    void trim();
    void changed() { text_state = no_text; }
    void take_text_and_empty(INT_DATA& other) noexcept;  // ends both moves
    std::string& text_buffer() const;                    // the cache's string, allocated on first use
    void build_from_text(const char* text);
    bool wide_to_int64(int64_t& out) const;  // to_int64 beyond the small form
    void parse_body(std::string_view body);
    int canonical_groups() const;
    int64_t decimal_length() const;  // digits of the magnitude; 1 for zero
    // In place, the sign kept: times 10^k, and divided by 10^k truncating
    // toward zero (k >= 0). REAL_DATA moves its point with them.
    void multiply_pow10(int64_t k);
    void divide_pow10(int64_t k);
    static int compare_magnitudes(const INT_DATA& a, const INT_DATA& b);  // -1, 0 or 1
    // a + b, each counting as negative when its flag is set, into result in
    // the small form when both magnitudes are machine words and the sum fits
    // one (result may be a or b); false, with nothing changed, otherwise.
    static bool machine_sum(const INT_DATA& a, bool a_negative, const INT_DATA& b, bool b_negative, INT_DATA& result);
    // a + b where each counts as negative when its flag is set; the second
    // form writes it into result, which may be a or b.
    static INT_DATA signed_sum(const INT_DATA& a, bool a_negative, const INT_DATA& b, bool b_negative);
    static void signed_sum(const INT_DATA& a, bool a_negative, const INT_DATA& b, bool b_negative, INT_DATA& result);
    // Makes room for a result of n limbs in a heap block of this number's
    // own: its block is kept when no copy shares it and it is neither too
    // small nor more than twice too large. The old limbs are not kept.
    void room_for_result(int n);
    // Ends a magnitude result of n limbs written into the block: trimmed,
    // sign +1, no extra groups, no text.
    void finish_result(int n);
    // The magnitudes' quotient and remainder, either output may be null.
    static void divide(const INT_DATA& a, const INT_DATA& b, INT_DATA* quotient, INT_DATA* remainder);
    // The same for long operands by Newton's iteration for the divisor's
    // reciprocal, in a few products instead of a quadratic long division.
    static void newton_divide(const INT_DATA& a, const INT_DATA& b, INT_DATA* quotient, INT_DATA* remainder);
    // About B^(2k) / v (B = 10^9) for v of k limbs, within a few units.
    static INT_DATA reciprocal(const INT_DATA& v, int k);

    // The text caches live in one table; an object holds the number of its
    // slot there (0: none), which a move hands over.
    struct TEXT_TABLE;
    static TEXT_TABLE& text_table();
    TEXT_CACHE& text_cache() const;
    static uint32_t acquire_text_slot();
    static void release_text_slot(uint32_t slot) noexcept;

    uint64_t word = 0;               // see heap() and small_magnitude()
    mutable uint32_t text_slot = 0;  // the cache: '-' when negative, then the digit text
    int8_t sign_value = 0;           // +1 or -1; 0 when empty (see above)
    uint8_t form = form_empty;
    mutable uint8_t text_state = no_text;
    int8_t extra_short = 0;  // leading zero groups kept from a text, or wide_extra
};

static_assert(sizeof(INT_DATA) == 16, "an int payload takes 16 bytes");

// The value as a machine integer, saturated at the int range: values beyond
// it give INT32_MAX or INT32_MIN, so range checks refuse them instead of
// seeing a wrapped value. An empty int gives 0.
int32_t machine_int(const INT_DATA& value);

// The same saturated at the 64-bit range, for what counts bytes: a position
// or a length of a text may lie beyond the int range.
int64_t machine_int64(const INT_DATA& value);

}  // namespace morvu
