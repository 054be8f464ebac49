// INT_DATA: construction, copying, the base-1000 group view, the decimal text
// and comparison. The arithmetic is in int_arith.cpp, the number-theory
// functions in number_theory.cpp.

#include "numbers/int_data.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "numbers/limbs.h"

namespace morvu {

using namespace limbs;

namespace {

int decimal_width(uint32_t limb) {
    int width = 1;
    while (width < limb_digits && limb >= pow10_table[width]) ++width;
    return width;
}

// Decimal digits of a machine word; 1 for zero.
int decimal_width64(uint64_t magnitude) {
    int width = 1;
    for (uint64_t power = 10; magnitude >= power; power *= 10) {
        ++width;
        if (width == 20) break;  // 10^20 is beyond the word
    }
    return width;
}

const std::string zero_text = "0";

bool all_digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a text read by the constructor is already the plain form that
// make_digits would build: no leading zero, no '+', not a signed zero.
bool is_plain_text(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    std::string_view body = text.substr(negative ? 1 : 0);
    if (body.empty() || !all_digits(body)) return false;
    if (body[0] == '0') return body.size() == 1 && !negative;
    return true;
}

}  // namespace

INT_DATA::INT_DATA(int value) : INT_DATA(static_cast<long>(value)) {}

// Built as from the "%ld" text of the number, without formatting it: that
// text is the plain form, so the cache is left to be built on demand.
INT_DATA::INT_DATA(long value) {
    assign_int64(value);
    const int length = decimal_width64(small_magnitude());
    extra_short = static_cast<int8_t>(length / 3 + 1 - (length + 2) / 3);
}

INT_DATA::INT_DATA(const char* text) { build_from_text(text); }

namespace {

constexpr size_t line_bytes = 64;
constexpr int line_limbs = line_bytes / sizeof(uint32_t);
constexpr int line_from = 64;         // limbs: smaller blocks take no line of their own
constexpr int spare_limit = 1 << 16;  // limbs: larger blocks go back to the heap at once
constexpr int spare_slots = 4;
constexpr size_t header_bytes = 16;  // sizeof(HEAP_LIMBS), checked below

// Freed lined blocks kept for reuse, as raw memory; the interpreter runs
// its program on one thread at a time. Sanitizer builds keep none, so that
// a use after free is still reported.
struct SPARE_BLOCK {
    void* raw;
    int capacity;
};
SPARE_BLOCK spare_blocks[spare_slots] = {};

// Blocks of a few limbs, for the numbers just beyond a machine word, come
// from recycling pools: such a number is made and dropped as often as a
// small one.
template <int LIMBS>
struct SHORT_BLOCK {
    alignas(8) unsigned char bytes[header_bytes + sizeof(uint32_t) * LIMBS];
};
constexpr int short_limbs = 4;
constexpr int medium_limbs = 8;

}  // namespace

INT_DATA::HEAP_LIMBS* INT_DATA::new_heap(int capacity) {
    static_assert(sizeof(HEAP_LIMBS) == header_bytes);
    if (capacity <= short_limbs) {
        void* raw = BLOCK_POOL<SHORT_BLOCK<short_limbs>>::allocate(sizeof(SHORT_BLOCK<short_limbs>));
        return new (raw) HEAP_LIMBS{1, short_limbs, 0, 0};
    }
    if (capacity <= medium_limbs) {
        void* raw = BLOCK_POOL<SHORT_BLOCK<medium_limbs>>::allocate(sizeof(SHORT_BLOCK<medium_limbs>));
        return new (raw) HEAP_LIMBS{1, medium_limbs, 0, 0};
    }
    if (capacity < line_from) {
        void* raw = ::operator new(sizeof(HEAP_LIMBS) + sizeof(uint32_t) * static_cast<size_t>(capacity));
        return new (raw) HEAP_LIMBS{1, capacity, 0, 0};
    }
    capacity = static_cast<int>(std::min<int64_t>(INT32_MAX / line_limbs * line_limbs,
                                                  (int64_t{capacity} + line_limbs - 1) / line_limbs * line_limbs));
    void* raw = nullptr;
    if (pool_blocks) {
        // The smallest spare that holds capacity limbs without wasting half.
        SPARE_BLOCK* best = nullptr;
        for (SPARE_BLOCK& spare : spare_blocks) {
            if (spare.raw != nullptr && spare.capacity >= capacity && spare.capacity / 2 <= capacity &&
                (best == nullptr || spare.capacity < best->capacity))
                best = &spare;
        }
        if (best != nullptr) {
            raw = best->raw;
            capacity = best->capacity;
            best->raw = nullptr;
        }
    }
    if (raw == nullptr)
        raw = ::operator new (line_bytes + sizeof(uint32_t) * static_cast<size_t>(capacity),
                              std::align_val_t{line_bytes});
    return new (static_cast<char*>(raw) + line_bytes - header_bytes) HEAP_LIMBS{1, capacity, 0, 0};
}

void INT_DATA::drop_heap(HEAP_LIMBS* block) noexcept {
    if (--block->holders != 0) return;
    const int capacity = block->capacity;
    if (capacity == short_limbs) {
        BLOCK_POOL<SHORT_BLOCK<short_limbs>>::release(block, sizeof(SHORT_BLOCK<short_limbs>));
        return;
    }
    if (capacity == medium_limbs) {
        BLOCK_POOL<SHORT_BLOCK<medium_limbs>>::release(block, sizeof(SHORT_BLOCK<medium_limbs>));
        return;
    }
    if (capacity < line_from) {
        ::operator delete(block);
        return;
    }
    void* raw = reinterpret_cast<char*>(block) + header_bytes - line_bytes;
    if (pool_blocks && capacity <= spare_limit) {
        // An empty slot, or else the smallest spare makes room: numbers
        // that grow leave spares too small for their next results.
        SPARE_BLOCK* slot = &spare_blocks[0];
        for (SPARE_BLOCK& spare : spare_blocks) {
            if (spare.raw == nullptr || spare.capacity < slot->capacity) slot = &spare;
            if (spare.raw == nullptr) break;
        }
        if (slot->raw == nullptr || slot->capacity < capacity) {
            std::swap(slot->raw, raw);
            slot->capacity = capacity;
            if (raw == nullptr) return;
        }
    }
    ::operator delete (raw, std::align_val_t{line_bytes});
}

void INT_DATA::leave_heap() noexcept {
    drop_heap(heap());
    form = form_empty;
}

bool INT_DATA::wide_to_int64(int64_t& out) const {
    const int used = used_count();
    if (used == 0 || used > 3) return false;
    const uint32_t* data = heap()->limbs();
    unsigned __int128 magnitude = 0;
    for (int i = used - 1; i >= 0; --i) magnitude = magnitude * limb_base + data[i];
    if (sign_value < 0) {
        if (magnitude > static_cast<unsigned __int128>(INT64_MAX) + 1) return false;
        out = static_cast<int64_t>(0 - static_cast<uint64_t>(magnitude));
    } else {
        if (magnitude > static_cast<unsigned __int128>(INT64_MAX)) return false;
        out = static_cast<int64_t>(magnitude);
    }
    return true;
}

void INT_DATA::set_wide_extra(int count) {
    text_buffer();
    text_cache().extra_groups = count;
    extra_short = wide_extra;
}

int INT_DATA::wide_extra_groups() const { return text_cache().extra_groups; }

// The text caches by slot (slot k at index k - 1) and the slots free for
// reuse; free_slots always has room for every slot, so that a release
// cannot fail.
struct INT_DATA::TEXT_TABLE {
    std::vector<std::unique_ptr<TEXT_CACHE>> caches;
    std::vector<uint32_t> free_slots;
};

INT_DATA::TEXT_TABLE& INT_DATA::text_table() {
    // Never destroyed: numbers in static storage may outlive any other
    // static object.
    static TEXT_TABLE* const table = new TEXT_TABLE;
    return *table;
}

uint32_t INT_DATA::acquire_text_slot() {
    TEXT_TABLE& table = text_table();
    auto cache = std::make_unique<TEXT_CACHE>();
    if (!table.free_slots.empty()) {
        const uint32_t slot = table.free_slots.back();
        table.free_slots.pop_back();
        table.caches[slot - 1] = std::move(cache);
        return slot;
    }
    // Room for every slot, grown geometrically: a reserve of one more at a
    // time would move the whole list at every new slot.
    if (table.free_slots.capacity() < table.caches.size() + 1)
        table.free_slots.reserve(std::max({2 * table.free_slots.capacity(), table.caches.size() + 1, size_t{64}}));
    table.caches.push_back(std::move(cache));
    return static_cast<uint32_t>(table.caches.size());
}

void INT_DATA::release_text_slot(uint32_t slot) noexcept {
    TEXT_TABLE& table = text_table();
    table.caches[slot - 1].reset();
    table.free_slots.push_back(slot);
}

INT_DATA::TEXT_CACHE& INT_DATA::text_cache() const { return *text_table().caches[text_slot - 1]; }

// A small form is copied as it is; a heap block is shared, not copied.
void INT_DATA::copy_limbs_of(const INT_DATA& other) {
    if (other.is_small()) {
        set_small(other.small_magnitude());
    } else if (other.is_heap()) {
        HEAP_LIMBS* block = other.heap();
        ++block->holders;
        if (is_heap()) drop_heap(heap());
        set_heap(block);
        form = form_heap;
        trim();
    } else {
        set_small(0);
    }
}

void INT_DATA::copy_construct(const INT_DATA& other) {
    if (!other.is_empty()) copy_limbs_of(other);
    set_extra_groups(other.extra_groups());
}

INT_DATA::INT_DATA(INT_DATA&& other) noexcept : word(other.word), sign_value(other.sign_value), form(other.form) {
    other.form = form_empty;
    take_text_and_empty(other);
}

// The count of extra groups goes first: it is the one step that may
// allocate, so a copy that fails leaves the number as it was.
void INT_DATA::assign_copy(const INT_DATA& other) {
    if (this == &other) return;
    set_extra_groups(other.extra_groups());
    if (!other.is_empty()) {
        copy_limbs_of(other);
    } else {
        if (is_heap()) leave_heap();
        form = form_empty;
    }
    sign_value = other.sign_value;
    changed();
}

INT_DATA& INT_DATA::operator=(INT_DATA&& other) noexcept {
    if (this == &other) return *this;
    if (is_heap()) leave_heap();
    word = other.word;
    form = other.form;
    other.form = form_empty;
    sign_value = other.sign_value;
    take_text_and_empty(other);
    return *this;
}

// The end of both moves, once the limbs and sign are taken: other's text
// cache comes along when its text is the plain form (the two swap their
// strings, so neither allocates again) or when it holds other's count of
// extra groups; other is left empty.
void INT_DATA::take_text_and_empty(INT_DATA& other) noexcept {
    const bool plain = other.text_state == plain_text;
    text_state = no_text;
    if (plain || other.extra_short == wide_extra) {
        std::swap(text_slot, other.text_slot);
        text_state = plain ? plain_text : no_text;
    }
    extra_short = other.extra_short;
    other.form = form_empty;
    other.sign_value = 0;
    other.extra_short = 0;
    other.text_state = no_text;
}

void INT_DATA::reserve_limbs(int n, bool keep) {
    if (!is_heap()) {
        HEAP_LIMBS* fresh = new_heap(std::max(n, small_limbs + 1));
        if (keep && is_small()) {
            fresh->used = used_count();
            write_small_limbs(word, fresh->limbs());
        }
        set_heap(fresh);
        form = form_heap;
        return;
    }
    HEAP_LIMBS* block = heap();
    const bool shared = block->holders > 1;
    const int capacity = block->capacity;
    if (n <= capacity && !shared) return;
    const int new_capacity =
        n <= capacity ? capacity
                      : static_cast<int>(std::min<int64_t>(INT32_MAX, std::max<int64_t>(n, capacity + capacity / 2)));
    HEAP_LIMBS* fresh = new_heap(new_capacity);
    const int used = block->used;
    fresh->used = used;
    if (keep && used > 0) std::copy(block->limbs(), block->limbs() + used, fresh->limbs());
    drop_heap(block);
    set_heap(fresh);
}

void INT_DATA::set_limbs(const uint32_t* source, int n) {
    while (n > 1 && source[n - 1] == 0) --n;
    if (n <= small_limbs) {
        unsigned __int128 magnitude = 0;
        for (int i = n - 1; i >= 0; --i) magnitude = magnitude * limb_base + source[i];
        if (magnitude <= UINT64_MAX) {
            set_small(static_cast<uint64_t>(magnitude));
            return;
        }
    }
    if (!(is_heap() && source == heap()->limbs() && heap()->holders == 1)) {
        // A block shared with a copy stays alive for the copy while the
        // limbs are read from it.
        reserve_limbs(n, false);
        std::copy(source, source + n, heap()->limbs());
    }
    set_used(n);
}

void INT_DATA::trim() {
    if (!is_heap() || heap()->used == 0) return;
    const uint32_t* data = heap()->limbs();
    int used = heap()->used;
    while (used > 1 && data[used - 1] == 0) --used;
    set_used(used);
    // 2^64 has 19 in its third limb.
    if (used > small_limbs || (used == small_limbs && data[2] > 18)) return;
    const uint64_t low = used == 1 ? data[0] : uint64_t{data[1]} * limb_base + data[0];
    if (used < small_limbs) {
        set_small(low);
        return;
    }
    const unsigned __int128 magnitude = static_cast<unsigned __int128>(data[2]) * limb_base * limb_base + low;
    if (magnitude <= UINT64_MAX) set_small(static_cast<uint64_t>(magnitude));
}

// Reads the text in groups of three characters from the right, each
// converted as atol converts it. Plain digit texts take the fast way; any
// other text is evaluated group by group, so a stray character gives what
// atol makes of its group.
void INT_DATA::parse_body(std::string_view body) {
    // The groups of a number are counted in an int: a text with more digits
    // than they count is refused, as a failed allocation would be.
    if (body.size() > size_t{3} * (INT32_MAX - 1)) throw std::bad_alloc();
    const int64_t n = static_cast<int64_t>(body.size());
    const int groups = static_cast<int>(n / 3 + 1);
    const size_t first = body.find_first_not_of('0');
    if (all_digits(body) && (first == std::string_view::npos || body.size() - first <= 19)) {
        // Below 10^19: the small form.
        uint64_t value = 0;
        for (char c : body) value = value * 10 + static_cast<uint64_t>(c - '0');
        set_small(value);
    } else if (all_digits(body)) {
        const int count = static_cast<int>(std::max<int64_t>(1, (n + limb_digits - 1) / limb_digits));
        reserve_limbs(count, false);
        uint32_t* data = limb_data();
        for (int k = 0; k < count; ++k) {
            const int64_t end = n - int64_t{k} * limb_digits;
            const int64_t begin = std::max<int64_t>(0, end - limb_digits);
            uint32_t value = 0;
            for (int64_t i = begin; i < end; ++i)
                value = value * 10 + static_cast<uint32_t>(body[static_cast<size_t>(i)] - '0');
            data[k] = value;
        }
        set_used(count);
        trim();
    } else {
        INT_DATA total(0);
        for (int g = groups - 1; g >= 0; --g) {
            const int64_t end = n - int64_t{3} * g;
            const int64_t begin = std::max<int64_t>(0, end - 3);
            char group[4] = {};
            if (end > 0) body.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin)).copy(group, 3);
            total = total * INT_DATA(1000) + INT_DATA(std::atoi(group));
        }
        int own_sign = sign_value;
        if (total.sign_value < 0 && !total.is_zero()) own_sign = -own_sign;
        uint32_t scratch[small_limbs];
        set_limbs(total.read_limbs(scratch), total.used_count());
        sign_value = static_cast<int8_t>(own_sign);
    }
    set_extra_groups(std::max(0, groups - canonical_groups()));
}

void INT_DATA::build_from_text(const char* text) {
    if (is_heap()) leave_heap();
    form = form_empty;
    extra_short = 0;
    text_state = no_text;
    if (text == nullptr) {
        sign_value = 0;
        return;
    }
    std::string_view whole(text);
    const bool negative = !whole.empty() && whole[0] == '-';
    sign_value = negative ? -1 : 1;
    parse_body(whole.substr(negative ? 1 : 0));
    // The text is kept as it was written, "007" included.
    text_buffer().assign(whole);
    text_state = is_plain_text(whole) ? plain_text : kept_text;
}

int64_t INT_DATA::decimal_length() const {
    if (is_empty()) return 1;
    if (is_small()) return decimal_width64(small_magnitude());
    const int used = heap()->used;
    return int64_t{limb_digits} * (used - 1) + decimal_width(heap()->limbs()[used - 1]);
}

int INT_DATA::canonical_groups() const {
    if (is_empty()) return 0;
    return static_cast<int>((decimal_length() + 2) / 3);
}

int INT_DATA::limb_count() const { return is_empty() ? 0 : canonical_groups() + extra_groups(); }

int INT_DATA::limb(int index) const {
    if (index < 0 || index >= limb_count()) return 0;
    int64_t position = int64_t{3} * index;
    int64_t k = position / limb_digits;
    if (k >= used_count()) return 0;
    uint32_t scratch[small_limbs];
    return static_cast<int>(read_limbs(scratch)[k] / pow10_table[position % limb_digits] % 1000);
}

void INT_DATA::set_sign(int sign) {
    sign_value = static_cast<int8_t>(sign);
    changed();
}

std::string_view INT_DATA::digits() const {
    if (text_state == no_text) make_digits();
    std::string_view view(text_cache().text);
    if (!view.empty() && view[0] == '-') view.remove_prefix(1);
    return view;
}

void INT_DATA::split_limbs(int) {
    std::string body(digits());
    parse_body(body);
}

void INT_DATA::free_limbs() {
    if (is_heap()) leave_heap();
    form = form_empty;
}

void INT_DATA::strip() { extra_short = 0; }

std::string& INT_DATA::text_buffer() const {
    if (text_slot == 0) text_slot = acquire_text_slot();
    return text_cache().text;
}

void INT_DATA::make_digits() const {
    std::string& text = text_buffer();
    char buffer[24];
    char* end = buffer;
    if (sign_value < 0) *end++ = '-';
    if (!is_heap() || heap()->used == 0) {
        // The whole text fits the buffer; the string keeps its storage.
        end = std::to_chars(end, buffer + sizeof buffer, is_small() ? small_magnitude() : 0).ptr;
        const size_t length = static_cast<size_t>(end - buffer);
        text.resize(length);
        std::memcpy(text.data(), buffer, length);
    } else {
        const uint32_t* data = heap()->limbs();
        const int used = heap()->used;
        end = std::to_chars(end, buffer + sizeof buffer, data[used - 1]).ptr;
        text.clear();
        text.reserve(static_cast<size_t>(end - buffer) + static_cast<size_t>(used - 1) * limb_digits);
        text.append(buffer, end);
        for (int k = used - 2; k >= 0; --k) {
            uint32_t limb = data[k];
            char group[limb_digits];
            for (int i = limb_digits - 1; i >= 0; --i) {
                group[i] = static_cast<char>('0' + limb % 10);
                limb /= 10;
            }
            text.append(group, limb_digits);
        }
    }
    text_state = plain_text;
}

void INT_DATA::append_text(std::string& out) const {
    uint64_t magnitude = 0;
    if (text_state != no_text || is_zero() || !machine_magnitude(magnitude)) {
        out += to_text();  // a longer number keeps its text for the next writing
        return;
    }
    // The digits are counted first and written straight into the room the
    // text grows by, two at a time from the right.
    static constexpr char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    static constexpr uint64_t powers[] = {1u,
                                          10u,
                                          100u,
                                          1000u,
                                          10000u,
                                          100000u,
                                          1000000u,
                                          10000000u,
                                          100000000u,
                                          1000000000u,
                                          10000000000u,
                                          100000000000u,
                                          1000000000000u,
                                          10000000000000u,
                                          100000000000000u,
                                          1000000000000000u,
                                          10000000000000000u,
                                          100000000000000000u,
                                          1000000000000000000u,
                                          10000000000000000000u};
    // The bit length times log10(2) (about 1233 / 4096) is the count or one less.
    size_t digits = static_cast<size_t>(std::bit_width(magnitude)) * 1233 >> 12;
    if (magnitude >= powers[digits]) ++digits;
    const size_t start = out.size();
    const size_t sign = sign_value < 0 ? 1 : 0;
    out.resize(start + sign + digits);
    char* first = out.data() + start;
    if (sign != 0) *first = '-';
    char* cursor = first + sign + digits;
    while (magnitude >= 100) {
        const size_t pair = static_cast<size_t>(magnitude % 100) * 2;
        magnitude /= 100;
        *--cursor = pairs[pair + 1];
        *--cursor = pairs[pair];
    }
    if (magnitude >= 10) {
        const size_t pair = static_cast<size_t>(magnitude) * 2;
        *--cursor = pairs[pair + 1];
        *--cursor = pairs[pair];
    } else {
        *--cursor = static_cast<char>('0' + magnitude);
    }
}

const std::string& INT_DATA::to_text() const {
    if (text_state == no_text) make_digits();
    if (is_zero()) return zero_text;
    return text_cache().text;
}

namespace {

// The sign that decides order: 0 for every zero, whatever its sign field.
int effective_sign(const INT_DATA& value) { return value.is_zero() ? 0 : (value.sign() < 0 ? -1 : 1); }

// Compares two non-zero magnitudes; both are trimmed, so the longer is larger.
int compare_nonzero_magnitudes(const uint32_t* a, int na, const uint32_t* b, int nb) {
    if (na != nb) return na < nb ? -1 : 1;
    for (int k = na - 1; k >= 0; --k) {
        if (a[k] != b[k]) return a[k] < b[k] ? -1 : 1;
    }
    return 0;
}

}  // namespace

bool INT_DATA::operator==(const INT_DATA& other) const {
    int sa = effective_sign(*this);
    if (sa != effective_sign(other)) return false;
    if (sa == 0) return true;
    uint64_t a = 0;
    uint64_t b = 0;
    if (machine_magnitude(a) && other.machine_magnitude(b)) return a == b;
    uint32_t own[small_limbs];
    uint32_t others[small_limbs];
    return compare_nonzero_magnitudes(read_limbs(own), used_count(), other.read_limbs(others), other.used_count()) == 0;
}

bool INT_DATA::operator<(const INT_DATA& other) const {
    int sa = effective_sign(*this);
    int sb = effective_sign(other);
    if (sa != sb) return sa < sb;
    if (sa == 0) return false;
    uint64_t a = 0;
    uint64_t b = 0;
    if (machine_magnitude(a) && other.machine_magnitude(b)) return sa > 0 ? a < b : a > b;
    uint32_t own[small_limbs];
    uint32_t others[small_limbs];
    int order = compare_nonzero_magnitudes(read_limbs(own), used_count(), other.read_limbs(others), other.used_count());
    return sa > 0 ? order < 0 : order > 0;
}

int32_t machine_int(const INT_DATA& value) {
    int64_t whole = 0;
    if (value.to_int64(whole)) return static_cast<int32_t>(std::clamp<int64_t>(whole, INT32_MIN, INT32_MAX));
    // Up to 6 decimal groups the magnitude fits in 64 bits; anything longer
    // lies beyond the int range whatever its digits (leading zero groups
    // are skipped first).
    int groups = value.limb_count();
    while (groups > 0 && value.limb(groups - 1) == 0) --groups;
    if (groups == 0) return 0;
    const bool negative = value.sign() < 0;
    if (groups > 6) return negative ? INT32_MIN : INT32_MAX;
    int64_t magnitude = 0;
    for (int i = groups - 1; i >= 0; --i) magnitude = magnitude * 1000 + value.limb(i);
    const int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX) return INT32_MAX;
    if (signed_value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(signed_value);
}

int64_t machine_int64(const INT_DATA& value) {
    int64_t whole = 0;
    if (value.to_int64(whole)) return whole;
    if (value.is_empty() || value.is_zero()) return 0;
    return value.sign() < 0 ? INT64_MIN : INT64_MAX;
}

}  // namespace morvu
