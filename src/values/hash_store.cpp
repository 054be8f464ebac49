#include "values/hash_store.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "runtime/message_scratch.h"
#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "runtime/text_utils.h"
#include "values/address_order.h"
#include "values/assign_rules.h"
#include "values/list_store.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The key of a lookup or insertion is matched (and placed) by reference when
// it will be stored, or is stored, as a reference cell.
bool stored_by_reference(UNION_DATA* key, int key_mode) {
    if (is_reference_mode(key_mode)) return true;
    return (key_mode == 4 || key_mode == 5 || key_mode == 6) && is_reference_tag(key->tag);
}

bool is_reference_key(LIST_NODE* node) { return is_reference_tag(node->key().tag); }

// The match rule of the buckets for the keys outside plain_key_match:
// stored reference keys by the cell they refer to, other keys by value.
__attribute__((noinline)) bool general_key_match(LIST_NODE* node, UNION_DATA* key, bool by_reference) {
    const UNION_DATA& stored = node->key();
    if (!by_reference && stored.payload != nullptr && key->payload != nullptr && lower_tag(stored.tag) == tag_int &&
        lower_tag(key->tag) == tag_int) {
        int64_t a = 0;
        int64_t b = 0;
        if (cell_int64(&stored, a) && cell_int64(key, b)) return a == b;  // beyond 64 bits: the record's rule
        return *stored.int_data() == *key->int_data();
    }
    bool stored_reference = is_reference_key(node);
    return by_reference ? stored_reference && follow_link(key) == follow_link(&node->key())
                        : !stored_reference && is_equal_value(key, &node->key(), true);
}

// The key text of a defined char: the character, nothing for the empty one.
inline std::string_view char_key_text(const UNION_DATA* key) {
    return {&key->scalar.char_byte, key->scalar.char_byte != 0 ? size_t{1} : size_t{0}};
}

// The match rule of the buckets. Two texts, two chars, or two ints within
// 64 bits, all plain values, compare as value equality compares them,
// without its walk; every other pair goes by general_key_match.

inline bool key_matches(LIST_NODE* node, UNION_DATA* key, bool by_reference) {
    const UNION_DATA& stored = node->key();
    if (!by_reference && stored.payload != nullptr && key->payload != nullptr) {
        const char stored_tag = lower_tag(stored.tag);
        if (stored_tag == lower_tag(key->tag)) {
            if (stored_tag == tag_str) {
                return std::strcmp(stored.str_data()->text.c_str(), key->str_data()->text.c_str()) == 0;
            }
            if (stored_tag == tag_char) return stored.scalar.char_byte == key->scalar.char_byte;
            if (stored_tag == tag_int) {
                // An int in the payload word has that one word; a key read
                // from a variable often holds its number in a record.
                if (is_inline_int(stored.payload) && is_inline_int(key->payload)) return stored.payload == key->payload;
                int64_t a = 0;
                int64_t b = 0;
                if (cell_int64(&stored, a) && cell_int64(key, b)) return a == b;
            }
        }
    }
    return general_key_match(node, key, by_reference);
}

constexpr uint64_t code_mask = (uint64_t{1} << HASH_DATA::code_bits) - 1;

// The two digits of each number below 100 as characters: the last digit
// in the low byte, the one before it in the high byte.
struct DIGIT_PAIRS {
    uint16_t of[100];
    constexpr DIGIT_PAIRS() : of() {
        for (unsigned pair = 0; pair < 100; ++pair)
            of[pair] = static_cast<uint16_t>(('0' + pair % 10) | ('0' + pair / 10) << 8);
    }
};
constexpr DIGIT_PAIRS digit_pairs;

// The bucket of a number's key text, the digits of magnitude (below 10^18)
// after a '-' when negative: the bucket str_xor_code gives that text.
constexpr int decimal_text_bucket(uint64_t magnitude, bool negative) {
    // str_xor_code's two halves, the bytes at even and at odd distances
    // from the last one: which is the text's low half depends on its length.
    // The digits come off two at a time, the last of each pair at an even
    // distance.
    unsigned pairs = 0;  // the even half in the low byte, the odd one above
    size_t length = 0;
    uint64_t rest = magnitude;
    while (rest >= 100) {
        pairs ^= digit_pairs.of[rest % 100];
        length += 2;
        rest /= 100;
    }
    unsigned from_last_even = pairs & 0xff;
    unsigned from_last_odd = pairs >> 8;
    if (rest >= 10) {
        from_last_even ^= static_cast<unsigned>('0' + rest % 10);
        from_last_odd ^= static_cast<unsigned>('0' + rest / 10);
        length += 2;
    } else {
        from_last_even ^= static_cast<unsigned>('0' + rest);
        ++length;
    }
    if (negative) (length++ % 2 == 0 ? from_last_even : from_last_odd) ^= static_cast<unsigned>('-');
    const unsigned xor_code =
        length % 2 == 1 ? from_last_even + 256 * from_last_odd : from_last_odd + 256 * from_last_even;
    return static_cast<int>(xor_code % HASH_DATA::bucket_count);
}

// The buckets of the numbers below 10000, the common keys, looked up.
struct SMALL_INT_BUCKETS {
    static constexpr uint64_t count = 10000;
    uint8_t of[count];
    constexpr SMALL_INT_BUCKETS() : of() {
        for (uint64_t number = 0; number < count; ++number)
            of[number] = static_cast<uint8_t>(decimal_text_bucket(number, false));
    }
};
constexpr SMALL_INT_BUCKETS small_int_buckets;

// 10 to the powers 0 to 18, the weights of a number's last 19 digits.
struct POWERS_OF_TEN {
    uint64_t of[19];
    constexpr POWERS_OF_TEN() : of() {
        uint64_t power = 1;
        for (uint64_t& entry : of) {
            entry = power;
            power *= 10;
        }
    }
};
constexpr POWERS_OF_TEN powers_of_ten;
// Numbers below this have at most 18 digits.
constexpr uint64_t eighteen_digits_end = 1'000'000'000'000'000'000ULL;

// The numbers of the cells that reference keys refer to. Never destroyed:
// cells that live until the process ends still forget theirs during static
// destruction.
std::unordered_map<const UNION_DATA*, uint64_t>& key_numbers() {
    static auto* numbers = new std::unordered_map<const UNION_DATA*, uint64_t>();
    return *numbers;
}

uint64_t last_key_number = 0;

uint64_t identity_code(uint64_t number) {
    // Mixed, so that neighbouring numbers spread over the index.
    uint64_t code = number;
    code ^= code >> 33;
    code *= 0xff51afd7ed558ccdULL;
    code ^= code >> 33;
    return code & code_mask;
}

// The code of a key text. A whole number of up to 18 digits is its own code,
// so that neighbouring numbers sit in neighbouring slots of the index (the
// probe sequence spreads codes that share their low bits). A text that ends
// in up to 18 digits ("k41", "row_7") is the hash of the rest plus that
// number: keys numbered in turn, as keys are made in loops, sit side by
// side as well, and so do their lookups. Any other text is hashed.
// A short text's hash inline (FNV-1a, then mixed so that every bit counts).
uint64_t short_text_hash(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ULL;
    hash ^= hash >> 32;
    return hash;
}

uint64_t text_hash(std::string_view text) {
    return text.size() <= 16 ? short_text_hash(text) : std::hash<std::string_view>{}(text);
}

uint64_t full_text_code(std::string_view text) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* const digits_from = !text.empty() && text[0] == '-' ? begin + 1 : begin;
    // The trailing digits: at most 19 are looked at, at most 18 count. They
    // are read from the first one down, as a number is.
    const char* const lowest = end - digits_from > 19 ? end - 19 : digits_from;
    // One pass from the last digit up: each digit adds its own weight. A
    // 19th digit wraps the value, which is then not used.
    const char* first_digit = end;
    uint64_t value = 0;
    size_t digit_count = 0;
    while (first_digit > lowest) {
        const unsigned digit = static_cast<unsigned char>(first_digit[-1] - '0');
        if (digit > 9) break;
        value += digit * powers_of_ten.of[digit_count];
        ++digit_count;
        --first_digit;
    }
    if (digit_count == 0 || digit_count > 18) return text_hash(text);
    if (first_digit == digits_from) return digits_from != begin ? ~value : value;
    return text_hash(std::string_view(begin, static_cast<size_t>(first_digit - begin))) + value;
}

uint64_t text_code(std::string_view text) { return full_text_code(text) & code_mask; }

// Key texts are mostly short: one with at most this many bytes before its
// first NUL is read in a single pass that finds its code, and its bucket
// too, without first measuring it.
constexpr size_t short_key_length = 16;

// text_code and str_xor_code of a short key text up to its first NUL, in
// one pass; false, with nothing set, for a longer text. The hash of the
// text is taken byte by byte as short_text_hash takes it, and its state
// kept where the trailing digits begin, which is the hash of the rest.
[[gnu::always_inline]] inline bool scan_short_key(const char* text, uint64_t& code, unsigned* xor_code) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    uint64_t before_digits = hash;
    uint64_t value = 0;
    size_t digits_at = 0;  // where the trailing digits begin
    unsigned xors = 0;     // bytes at even places in the low byte, at odd ones above
    size_t length = 0;
    for (;; ++length) {
        const unsigned char c = static_cast<unsigned char>(text[length]);
        if (c == 0) break;
        if (length == short_key_length) return false;
        if (xor_code != nullptr) xors ^= static_cast<unsigned>(c) << ((length & 1) * 8);
        hash ^= c;
        hash *= 0x100000001b3ULL;
        const unsigned digit = c - static_cast<unsigned>('0');
        if (digit <= 9) {
            value = value * 10 + digit;
        } else {
            value = 0;
            digits_at = length + 1;
            before_digits = hash;
        }
    }
    auto mixed = [](uint64_t h) {
        h ^= h >> 29;
        h *= 0xbf58476d1ce4e5b9ULL;
        h ^= h >> 32;
        return h;
    };
    // At most 16 digits: the number always counts (full_text_code).
    uint64_t full = 0;
    if (digits_at == length) full = mixed(hash);
    else if (digits_at == 0) full = value;
    else if (digits_at == 1 && text[0] == '-') full = ~value;
    else full = mixed(before_digits) + value;
    code = full & code_mask;
    if (xor_code != nullptr) *xor_code = xors;
    return true;
}

// text_code of a key text up to its first NUL.
inline uint64_t key_text_code(const char* text) {
    uint64_t code = 0;
    if (scan_short_key(text, code, nullptr)) [[likely]]
        return code;
    return text_code(std::string_view(text));
}

// The slots of the index a code visits, in order: its own slot, then the
// recurrence i = 5i + 1 + perturb, where perturb shifts the code's higher
// bits in until it is spent; after that the recurrence alone reaches every
// slot of the power-of-two table.
class PROBE {
public:
    PROBE(uint64_t code, size_t mask) : slot(code & mask), perturb(code), mask(mask) {}
    size_t at() const { return slot; }
    void next() {
        perturb >>= 5;
        slot = (slot * 5 + 1 + perturb) & mask;
    }

private:
    size_t slot;
    uint64_t perturb;
    size_t mask;
};

// Assigns to a pair's value cell as a list element is assigned: only scope
// cells may become aliases, and an element counts as one meanwhile.
const char* assign_pair_value(LIST_NODE* node, UNION_DATA* value, int value_mode) {
    uint8_t was_scope = node->value.scope_variable;
    node->value.scope_variable = 1;
    const char* message = assign_by_mode(&node->value, value, value_mode);
    node->value.scope_variable = was_scope;
    return message;
}

// Bucket lists taken out of a hash, in bucket order, destroyed with it in
// the reverse order, as an array of the buckets would destroy them. Only
// the lists in use are held.
class TAKEN_LISTS {
public:
    TAKEN_LISTS() = default;
    TAKEN_LISTS(const TAKEN_LISTS&) = delete;
    TAKEN_LISTS& operator=(const TAKEN_LISTS&) = delete;
    ~TAKEN_LISTS() {
        while (count > 0) delete lists[--count];
    }
    void take(LIST_DATA* list) { lists[count++] = list; }
    void forget_nodes() {
        for (size_t i = 0; i < count; ++i) lists[i]->forget_nodes();
    }

private:
    std::array<LIST_DATA*, HASH_DATA::bucket_count> lists;
    size_t count = 0;
};

}  // namespace

uint64_t reference_key_number(UNION_DATA* cell) {
    auto [entry, added] = key_numbers().try_emplace(cell, 0);
    // A cell without the mark is new at its address, whatever number an
    // earlier cell there may have left behind.
    if (added || cell->key_numbered == 0) entry->second = ++last_key_number;
    cell->key_numbered = 1;
    return entry->second;
}

void forget_key_number(const UNION_DATA* cell) { key_numbers().erase(cell); }

HASH_DATA::SLOTS::SLOTS(size_t count) : count(count) {
    if (count == tiny_count) {
        slots = static_cast<INDEX_SLOT*>(BLOCK_POOL<TINY_BLOCK>::allocate(sizeof(TINY_BLOCK)));
        std::memset(static_cast<void*>(slots), 0, sizeof(TINY_BLOCK));
        return;
    }
    if (count == small_count) {
        slots = static_cast<INDEX_SLOT*>(BLOCK_POOL<SMALL_BLOCK>::allocate(sizeof(SMALL_BLOCK)));
        std::memset(static_cast<void*>(slots), 0, sizeof(SMALL_BLOCK));
        return;
    }
    slots = static_cast<INDEX_SLOT*>(std::calloc(count, sizeof(INDEX_SLOT)));
    if (slots == nullptr) throw std::bad_alloc();
}

HASH_DATA::SLOTS::~SLOTS() {
    if (count == tiny_count) BLOCK_POOL<TINY_BLOCK>::release(slots, sizeof(TINY_BLOCK));
    else if (count == small_count) BLOCK_POOL<SMALL_BLOCK>::release(slots, sizeof(SMALL_BLOCK));
    else std::free(slots);
}

HASH_DATA::BUCKETS::~BUCKETS() {
    take_all([](LIST_DATA* list) { delete list; });
}

void HASH_DATA::BUCKETS::make_table() {
    table = std::make_unique<LIST_DATA*[]>(bucket_count);
    for (size_t i = 0; i < row_count; ++i) table[row_buckets[i]] = std::exchange(row_lists[i], nullptr);
    row_count = 0;
}

LIST_DATA& HASH_DATA::BUCKETS::add_list(size_t b) {
    auto* made = new LIST_DATA();
    put(b, made);
    return *made;
}

void HASH_DATA::BUCKETS::put(size_t b, LIST_DATA* list) {
    if (table == nullptr) {
        size_t at = 0;
        while (at < row_count && row_buckets[at] < b) ++at;
        if (is_used(b)) {
            delete std::exchange(row_lists[at], list);
            if (list != nullptr) return;
            // No null entries in the row: the ones behind move up.
            std::move(row_lists + at + 1, row_lists + row_count, row_lists + at);
            std::move(row_buckets + at + 1, row_buckets + row_count, row_buckets + at);
            row_lists[--row_count] = nullptr;
            mark(b, false);
            return;
        }
        if (list == nullptr) return;
        if (row_count < row_capacity) {
            std::move_backward(row_lists + at, row_lists + row_count, row_lists + row_count + 1);
            std::move_backward(row_buckets + at, row_buckets + row_count, row_buckets + row_count + 1);
            row_lists[at] = list;
            row_buckets[at] = static_cast<uint8_t>(b);
            ++row_count;
            mark(b, true);
            return;
        }
        make_table();
    }
    delete std::exchange(table[b], list);
    mark(b, list != nullptr);
}

int HASH_DATA::BUCKETS::used(uint8_t* at) const {
    int count = 0;
    for (unsigned half = 0; half < 2; ++half) {
        for (uint64_t bits = used_mask[half]; bits != 0; bits &= bits - 1)
            at[count++] = static_cast<uint8_t>(half * 64 + static_cast<unsigned>(__builtin_ctzll(bits)));
    }
    return count;
}

HASH_DATA::HASH_DATA() = default;

HASH_DATA::~HASH_DATA() { clear(); }

// Inlined: every lookup of an int or str key starts here.
[[gnu::always_inline]] inline bool HASH_DATA::plain_key_code(const UNION_DATA* key, uint64_t& code) {
    if (key->payload == nullptr) return false;
    switch (key->tag) {
    case tag_str:
    case raise_tag(tag_str):
        code = key_text_code(key->str_data()->text.c_str());  // the text up to a NUL
        return true;
    case tag_int:
    case raise_tag(tag_int): {
        int64_t number = 0;
        if (!cell_int64(key, number)) return false;
        const uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
        // Up to 18 digits the number is its own code (see place_of_int).
        code = magnitude < eighteen_digits_end ? (number < 0 ? ~magnitude : magnitude) & code_mask
                                               : place_of_int(number).code;
        return true;
    }
    case tag_char:
    case raise_tag(tag_char): code = text_code(char_key_text(key)); return true;
    default: return false;
    }
}

int HASH_DATA::bucket_of(UNION_DATA* key, bool by_reference, const char** message) {
    return place_of(key, by_reference, message).bucket;
}

HASH_DATA::PLACE HASH_DATA::place_of(UNION_DATA* key, bool by_reference, const char** message) {
    if (by_reference) {
        if (message != nullptr) *message = nullptr;
        const uint64_t number = reference_key_number(follow_link(key));
        return {static_cast<int>(number % bucket_count), identity_code(number)};
    }
    // Int and str keys, the common ones, are placed without their key text.
    PLACE place{};
    if (plain_key_place(key, place)) {
        if (message != nullptr) *message = nullptr;
        return place;
    }
    return place_of_text(value_key_text(key, message));
}

uint64_t HASH_DATA::code_of(UNION_DATA* key, bool by_reference, const char** message) {
    uint64_t code = 0;
    if (!by_reference && plain_key_code(key, code)) {
        if (message != nullptr) *message = nullptr;
        return code;
    }
    return place_of(key, by_reference, message).code;
}

HASH_DATA::PLACE HASH_DATA::place_of_text(std::string_view text) { return {bucket_of_text(text), text_code(text)}; }

int HASH_DATA::bucket_of_text(std::string_view text) {
    int code = str_xor_code(text);
    return (code < 0 ? -code : code) % bucket_count;
}

int HASH_DATA::plain_key_bucket(const UNION_DATA* key) {
    if (lower_tag(key->tag) == tag_str) {
        const char* text = key->str_data()->text.c_str();
        uint64_t code = 0;
        unsigned xor_code = 0;
        if (scan_short_key(text, code, &xor_code)) return static_cast<int>(xor_code % bucket_count);
        return bucket_of_text(std::string_view(text));
    }
    if (lower_tag(key->tag) == tag_char) return bucket_of_text(char_key_text(key));
    int64_t number = 0;
    cell_int64(key, number);
    return place_of_int(number).bucket;
}

bool HASH_DATA::plain_key_place(const UNION_DATA* key, PLACE& place) {
    uint64_t code = 0;
    if (key->payload != nullptr && lower_tag(key->tag) == tag_str) {
        unsigned xor_code = 0;  // code and bucket in the one pass
        if (scan_short_key(key->str_data()->text.c_str(), code, &xor_code)) {
            place = {static_cast<int>(xor_code % bucket_count), code};
            return true;
        }
    }
    if (!plain_key_code(key, code)) return false;
    place = {plain_key_bucket(key), code};
    return true;
}

HASH_DATA::PLACE HASH_DATA::place_of_int(int64_t number) {
    // The key text is the digits, after a '-' for a negative number. Up to
    // 18 digits make the number its own code, as text_code reads them.
    const uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
    if (magnitude >= eighteen_digits_end) {
        KEY_DIGITS digits;
        const char* end = std::to_chars(digits.text, digits.text + sizeof digits.text, number).ptr;
        return place_of_text(std::string_view(digits.text, static_cast<size_t>(end - digits.text)));
    }
    const uint64_t code = number < 0 ? ~magnitude : magnitude;
    const int bucket = number >= 0 && magnitude < small_int_buckets.count ? small_int_buckets.of[magnitude]
                                                                          : decimal_text_bucket(magnitude, number < 0);
    return {bucket, code & code_mask};
}

uint64_t HASH_DATA::code_of_node(LIST_NODE* node) {
    if (is_reference_key(node)) return identity_code(reference_key_number(follow_link(&node->key())));
    uint64_t code = 0;
    if (plain_key_code(&node->key(), code)) return code;
    return text_code(value_key_text(&node->key(), nullptr));
}

// Inlined into every lookup: the call would cost as much as the probe.
[[gnu::always_inline]] inline LIST_NODE* HASH_DATA::find_node(UNION_DATA* key, bool by_reference, uint64_t code,
                                                              int* bucket) {
    if (indexed != static_cast<size_t>(pair_count)) [[unlikely]]
        rebuild_index();
    if (index.empty()) return nullptr;
    for (PROBE probe(code, index.size() - 1);; probe.next()) {
        const INDEX_SLOT& slot = index[probe.at()];
        if (slot.node == nullptr) {
            if (slot.word == 0) return nullptr;
            continue;
        }
        if (slot.code() != code || !key_matches(slot.node, key, by_reference)) continue;
        if (bucket != nullptr) *bucket = slot.bucket();
        return slot.node;
    }
}

LIST_NODE* HASH_DATA::find_key_of(LIST_NODE* node, int* bucket) {
    return find_node(&node->key(), is_reference_key(node), code_of_node(node), bucket);
}

void HASH_DATA::grow_index(size_t capacity) {
    SLOTS old = std::move(index);
    index = SLOTS(capacity);
    vacated = 0;  // the pairs move, the vacated slots stay behind
    // The new table is free throughout and large enough: each slot goes
    // to the first free one of its probe, as it is, code and bucket alike.
    INDEX_SLOT* const slots = index.begin();
    const size_t mask = capacity - 1;
    for (const INDEX_SLOT& slot : old) {
        if (slot.node == nullptr) continue;
        PROBE probe(slot.code(), mask);
        while (slots[probe.at()].node != nullptr) probe.next();
        slots[probe.at()] = slot;
    }
}

void HASH_DATA::index_node(LIST_NODE* node, int bucket, uint64_t code) {
    // At most three quarters of the slots in use, vacated ones included; at
    // most half of the tiny table's, so that a miss, a common lookup in a
    // small hash, stops soon.
    const size_t limit = index.size() == SLOTS::tiny_count ? index.size() / 2 : index.size() * 3 / 4;
    if (indexed + vacated + 1 > limit) {
        size_t capacity = index.empty() ? SLOTS::tiny_count : index.size();
        while ((indexed + 1) * 2 > capacity) capacity *= 2;
        grow_index(capacity);
    }
    PROBE probe(code, index.size() - 1);
    while (index[probe.at()].node != nullptr) probe.next();
    INDEX_SLOT& slot = index[probe.at()];
    if (slot.word != 0) --vacated;
    slot = INDEX_SLOT(node, bucket, code);
    ++indexed;
}

void HASH_DATA::unindex_node(LIST_NODE* node) {
    if (indexed != static_cast<size_t>(pair_count)) {
        index.clear();  // stale anyway: the next lookup rebuilds it
        indexed = 0;
        vacated = 0;
        return;
    }
    auto vacate = [this](INDEX_SLOT& slot) {
        slot.node = nullptr;
        slot.word = 1;
        --indexed;
        ++vacated;
    };
    for (PROBE probe(code_of_node(node), index.size() - 1);; probe.next()) {
        INDEX_SLOT& slot = index[probe.at()];
        if (slot.node == node) {
            vacate(slot);
            return;
        }
        if (slot.is_free()) break;
    }
    // The key changed in place since it was indexed (a loop variable bound
    // to it was assigned): look for the node itself.
    for (INDEX_SLOT& slot : index) {
        if (slot.node == node) {
            vacate(slot);
            return;
        }
    }
}

void HASH_DATA::rebuild_index() {
    index.clear();
    indexed = 0;
    vacated = 0;
    size_t capacity = SLOTS::tiny_count;
    while (static_cast<size_t>(pair_count) * 2 > capacity) capacity *= 2;
    index = SLOTS(capacity);
    for (const uint8_t b : used_buckets()) {
        for (LIST_NODE* node = buckets.list(b)->head; node != nullptr; node = node->next)
            index_node(node, static_cast<int>(b), code_of_node(node));
    }
}

HASH_DATA::USED_BUCKETS HASH_DATA::used_buckets() const {
    USED_BUCKETS used;
    used.count = buckets.used(used.at.data());
    return used;
}

void HASH_DATA::clear() {
    // Take the lists out first, so that the hash is empty and consistent
    // while the pairs' links are dissolved. Only the buckets in use are
    // touched twice: a small hash leaves most of them empty.
    TAKEN_LISTS old;
    size_t in_buckets = 0;
    buckets.take_all([&](LIST_DATA* list) {
        in_buckets += static_cast<size_t>(list->node_count);
        old.take(list);
    });
    SLOTS old_index = std::move(index);
    // The index holds exactly the pairs of the buckets when its count agrees
    // with both (only this store takes pairs out, and it unindexes them).
    const bool index_complete = indexed == static_cast<size_t>(pair_count) && indexed == in_buckets;
    pair_count = 0;
    index.clear();
    indexed = 0;
    vacated = 0;
    cached_array.reset();
    array_outdated = false;
    if (!index_complete || in_buckets < 1024) return;  // the lists go with old
    // A bucket chain visits the pairs of a large hash all over memory. In
    // the order of their addresses, close to the order they were made in,
    // the pairs and their values go far faster; no order is observable.
    std::vector<LIST_NODE*> nodes;
    nodes.reserve(in_buckets);
    for (const INDEX_SLOT& slot : old_index)
        if (slot.node != nullptr) nodes.push_back(slot.node);
    old_index.clear();
    sort_by_address(nodes);
    old.forget_nodes();
    for (LIST_NODE* node : nodes) delete node;
}

bool HASH_DATA::contains(UNION_DATA* key, bool by_reference, const char** message) {
    return find_node(key, by_reference, code_of(key, by_reference, message)) != nullptr;
}

UNION_DATA* HASH_DATA::get(UNION_DATA* key, bool by_reference, const char** message) {
    LIST_NODE* node = find_node(key, by_reference, code_of(key, by_reference, message));
    return node != nullptr ? &node->value : nullptr;
}

UNION_DATA* HASH_DATA::get(UNION_DATA* key, bool by_reference, KEY_PLACE& found_place) {
    found_place = KEY_PLACE{};
    uint64_t code = 0;
    if (by_reference || !plain_key_code(key, code)) return get(key, by_reference, nullptr);
    found_place = KEY_PLACE{-1, code, true, by_reference};  // the bucket when an insertion needs it
    LIST_NODE* node = find_node(key, by_reference, code);
    return node != nullptr ? &node->value : nullptr;
}

UNION_DATA* HASH_DATA::get_text_key(UNION_DATA* key, KEY_PLACE& found_place) {
    uint64_t code = 0;
    unsigned xor_code = 0;  // the pass that finds the code finds the bucket as well
    if (key->payload == nullptr || lower_tag(key->tag) != tag_str ||
        !scan_short_key(key->str_data()->text.c_str(), code, &xor_code))
        return get(key, false, found_place);
    found_place = KEY_PLACE{static_cast<int>(xor_code % bucket_count), code, true, false};
    LIST_NODE* node = find_node(key, false, code);
    return node != nullptr ? &node->value : nullptr;
}

// The pair of an int key along the index's probe sequence for its code:
// read(stored, held) gives a stored key of that code as a machine int, or
// false when it must be compared another way, and the walk gives up (false).
template <typename INDEX, typename READ>
[[gnu::always_inline]] inline bool probe_int_key(INDEX& index, uint64_t code, int64_t number, READ read,
                                                 LIST_NODE*& found) {
    found = nullptr;
    if (index.empty()) return true;
    for (PROBE probe(code, index.size() - 1);; probe.next()) {
        const auto& slot = index[probe.at()];
        if (slot.node == nullptr) {
            if (slot.word == 0) return true;
            continue;
        }
        if (slot.code() != code) continue;
        int64_t held = 0;
        if (!read(slot.node->key(), held)) return false;
        if (held == number) {
            found = slot.node;
            return true;
        }
    }
}

// find_int for every case: a wide number, an index to rebuild, a stored key
// of the code that is not a plain int in the payload word or a small record.
bool HASH_DATA::find_int_general(int64_t number, UNION_DATA*& value, KEY_PLACE& found_place) {
    const uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
    const uint64_t code =
        magnitude < eighteen_digits_end ? (number < 0 ? ~magnitude : magnitude) & code_mask : place_of_int(number).code;
    if (indexed != static_cast<size_t>(pair_count)) [[unlikely]]
        rebuild_index();
    // The int test of key_matches; any other stored key goes by get.
    LIST_NODE* found = nullptr;
    if (!probe_int_key(
            index, code, number,
            [](const UNION_DATA& stored, int64_t& held) {
                return stored.payload != nullptr && lower_tag(stored.tag) == tag_int && cell_int64(&stored, held);
            },
            found))
        return false;
    value = found != nullptr ? &found->value : nullptr;
    found_place = KEY_PLACE{-1, code, true, false};
    return true;
}

bool HASH_DATA::find_int(int64_t number, UNION_DATA*& value, KEY_PLACE& found_place) {
    // The common case, an index that holds every pair and keys compared as
    // machine words, runs without a call; anything else goes the general way,
    // which gives the same answer.
    const uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
    if (magnitude >= eighteen_digits_end || indexed != static_cast<size_t>(pair_count)) [[unlikely]]
        return find_int_general(number, value, found_place);
    const uint64_t code = (number < 0 ? ~magnitude : magnitude) & code_mask;
    LIST_NODE* found = nullptr;
    if (!probe_int_key(
            index, code, number,
            [](const UNION_DATA& stored, int64_t& held) {
                if (lower_tag(stored.tag) != tag_int) [[unlikely]]
                    return false;
                if (is_inline_int(stored.payload)) {
                    held = inline_int_value(stored.payload);
                    return true;
                }
                return stored.payload != nullptr &&
                       static_cast<const INT_DATA*>(stored.payload)->plain_copy_int64(held);
            },
            found)) [[unlikely]]
        return find_int_general(number, value, found_place);
    value = found != nullptr ? &found->value : nullptr;
    found_place = KEY_PLACE{-1, code, true, false};
    return true;
}

void HASH_DATA::set(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message) {
    bool by_reference = stored_by_reference(key, key_mode);
    LIST_NODE* node = find_node(key, by_reference, code_of(key, by_reference, message));
    if (node == nullptr) return;
    const char* refusal = assign_pair_value(node, value, value_mode);
    if (refusal != nullptr && message != nullptr) *message = refusal;
    if (iteration_count > 0) {
        array_outdated = cached_array.has_value();  // a walk may be reading it
    } else {
        cached_array.reset();
    }
}

UNION_DATA* HASH_DATA::insert(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message) {
    return insert(key, key_mode, value, value_mode, message, KEY_PLACE{});
}

UNION_DATA* HASH_DATA::insert(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message,
                              const KEY_PLACE& known) {
    bool by_reference = stored_by_reference(key, key_mode);
    PLACE place{known.bucket, known.code};
    if (known.known && known.by_reference == by_reference) {
        if (message != nullptr) *message = nullptr;
        if (place.bucket < 0) place.bucket = plain_key_bucket(key);
    } else {
        place = place_of(key, by_reference, message);
    }
    LIST_DATA& list = buckets.make_list(static_cast<size_t>(place.bucket));
    const char* failure = list.append_pair(key, key_mode, value, value_mode);
    if (failure != nullptr && message != nullptr) *message = failure;
    index_node(list.tail, place.bucket, place.code);
    ++pair_count;
    cached_array.reset();
    array_outdated = false;
    return &list.tail->value;
}

bool HASH_DATA::remove(UNION_DATA* key, bool by_reference, const char** message) {
    // The probe of find_node, which vacates the slot it finds: the pair's
    // code need not be found again to take it out of the index.
    const uint64_t code = code_of(key, by_reference, message);
    if (indexed != static_cast<size_t>(pair_count)) [[unlikely]]
        rebuild_index();
    if (index.empty()) return false;
    for (PROBE probe(code, index.size() - 1);; probe.next()) {
        INDEX_SLOT& slot = index[probe.at()];
        if (slot.node == nullptr) {
            if (slot.word == 0) return false;
            continue;
        }
        if (slot.code() != code || !key_matches(slot.node, key, by_reference)) continue;
        LIST_NODE* node = slot.node;
        const size_t bucket = static_cast<size_t>(slot.bucket());
        LIST_DATA* list = buckets.list(bucket);
        slot.node = nullptr;
        slot.word = 1;
        --indexed;
        ++vacated;
        list->remove_node(node);
        --pair_count;
        if (list->node_count == 0) drop_list(bucket);
        cached_array.reset();
        array_outdated = false;
        return true;
    }
}

void HASH_DATA::drop_list(size_t bucket) {
    if (pair_count == 0 && buckets.has_table()) buckets.take_all([](LIST_DATA* list) { delete list; });
    else buckets.drop(bucket);
}

void HASH_DATA::unlink_pair(size_t bucket, LIST_NODE* node) {
    LIST_DATA* list = buckets.list(bucket);
    unindex_node(node);
    list->remove_node(node);
    --pair_count;
    if (list->node_count == 0) drop_list(bucket);
}

void HASH_DATA::add_all_of(HASH_DATA& other) {
    cached_array.reset();
    array_outdated = false;
    if (&other == this) return;  // every key is found already
    for (const uint8_t b : other.used_buckets()) {
        LIST_DATA* theirs = other.buckets.list(b);
        LIST_DATA* mine = buckets.list(b);
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next) {
            uint64_t code = code_of_node(node);
            if (find_node(&node->key(), is_reference_key(node), code) != nullptr) continue;
            if (mine == nullptr) mine = &buckets.make_list(b);
            // A reference key refers to the same cell; any other key is copied.
            mine->append_pair(&node->key(), is_reference_key(node) ? 1 : 0, nullptr, 0);
            index_node(mine->tail, static_cast<int>(b), code);
            ++pair_count;
        }
    }
}

// Both removals first collect the pairs to drop and then drop them: other
// is only read while nothing has changed yet, so other may be this hash, or
// a value inside one of the pairs that go.

void HASH_DATA::keep_all_of(HASH_DATA& other) {
    cached_array.reset();
    array_outdated = false;
    if (&other == this) return;
    std::vector<std::pair<size_t, LIST_NODE*>> doomed;
    for (const uint8_t b : used_buckets()) {
        LIST_DATA* mine = buckets.list(b);
        for (LIST_NODE* node = mine->head; node != nullptr; node = node->next)
            if (other.find_key_of(node) == nullptr) doomed.emplace_back(b, node);
    }
    remove_nodes(doomed);
}

void HASH_DATA::remove_all_of(HASH_DATA& other) {
    cached_array.reset();
    array_outdated = false;
    std::vector<std::pair<size_t, LIST_NODE*>> doomed;
    for (const uint8_t b : used_buckets()) {
        LIST_DATA* mine = buckets.list(b);
        LIST_DATA* theirs = other.buckets.list(b);
        if (theirs == nullptr) continue;
        if (mine == theirs) {  // the same hash: every pair goes
            for (LIST_NODE* node = mine->head; node != nullptr; node = node->next) doomed.emplace_back(b, node);
            continue;
        }
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next) {
            int bucket = 0;
            if (LIST_NODE* found = find_key_of(node, &bucket)) doomed.emplace_back(static_cast<size_t>(bucket), found);
        }
    }
    remove_nodes(doomed);
}

void HASH_DATA::remove_nodes(std::vector<std::pair<size_t, LIST_NODE*>>& doomed) {
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    for (const auto& [b, node] : doomed) unlink_pair(b, node);
    cached_array.reset();
    array_outdated = false;
}

bool HASH_DATA::equals(HASH_DATA& other, bool compare_values) {
    return equal_containers(compare_values ? tag_hash : tag_set, this, &other);
}

bool HASH_DATA::is_proper_subset(HASH_DATA& other) {
    for (const uint8_t b : used_buckets()) {
        LIST_DATA* mine = buckets.list(b);
        LIST_DATA* theirs = other.buckets.list(b);
        if (theirs == nullptr || theirs->node_count < mine->node_count) return false;
        for (LIST_NODE* node = mine->head; node != nullptr; node = node->next)
            if (other.find_key_of(node) == nullptr) return false;
    }
    for (const uint8_t b : other.used_buckets()) {
        LIST_DATA* theirs = other.buckets.list(b);
        LIST_DATA* mine = buckets.list(b);
        if (mine == nullptr || theirs->node_count > mine->node_count) return true;
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next)
            if (find_key_of(node) == nullptr) return true;
    }
    return false;
}

bool HASH_DATA::is_proper_superset(HASH_DATA& other) { return other.is_proper_subset(*this); }

bool HASH_DATA::includes_keys(HASH_DATA& other) {
    for (const uint8_t b : other.used_buckets()) {
        LIST_DATA* theirs = other.buckets.list(b);
        LIST_DATA* mine = buckets.list(b);
        if (mine == nullptr || mine->node_count < theirs->node_count) return false;
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next)
            if (find_key_of(node) == nullptr) return false;
    }
    return true;
}

void HASH_DATA::build_array() {
    std::vector<LIST_NODE*> pairs;
    pairs.reserve(static_cast<size_t>(pair_count));
    for (LIST_DATA* bucket : buckets) {
        if (bucket == nullptr) continue;
        for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) pairs.push_back(node);
    }
    cached_array = std::move(pairs);
    array_outdated = false;
}

void HASH_DATA::walk_ended() {
    if (iteration_count != 0 || !array_outdated) return;
    cached_array.reset();
    array_outdated = false;
}

const char* HASH_DATA::copy_from(HASH_DATA& source) {
    if (&source == this) return nullptr;
    // The old pairs go only after the copy is made: the source may lie
    // inside one of them. They are taken out of the buckets first, so that
    // the copy fills the buckets in place.
    TAKEN_LISTS old;
    buckets.take_all([&](LIST_DATA* list) { old.take(list); });
    FIRST_MESSAGE message;
    bool nesting_keys = false;
    for (const uint8_t b : source.used_buckets()) {
        LIST_DATA& mine = buckets.make_list(b);
        for (LIST_NODE* node = source.buckets.list(b)->head; node != nullptr; node = node->next) {
            const char* failure = mine.append_pair(&node->key(), 4, &node->value, 4);
            message.note(failure);
            nesting_keys = nesting_keys || is_nesting_tag(lower_tag(node->key().tag));
        }
    }
    pair_count = source.pair_count;
    // A key that holds further cells may be copied only when the copy of
    // the whole value ends (value_copy.h): its code waits for the first
    // look-up.
    if (nesting_keys) {
        index.clear();
        indexed = 0;
        vacated = 0;
    } else if (message.result() != nullptr || !copy_index_of(source)) {
        rebuild_index();
    }
    cached_array.reset();
    array_outdated = false;
    return message.result();  // old destroys the old lists
}

bool HASH_DATA::copy_index_of(HASH_DATA& source) {
    // A small hash's buckets are short: each node's place in its bucket is
    // found by walking it, and the copy's node at that place takes the slot.
    constexpr int small_hash = 16;
    if (source.pair_count > small_hash || source.index.empty() ||
        source.indexed != static_cast<size_t>(source.pair_count))
        return false;
    SLOTS copied(source.index.size());
    for (size_t i = 0; i < source.index.size(); ++i) {
        const INDEX_SLOT& slot = source.index[i];
        copied[i] = slot;
        if (slot.node == nullptr) continue;
        const int b = slot.bucket();
        const LIST_DATA* my_list = buckets.list(static_cast<size_t>(b));
        const LIST_DATA* source_list = source.buckets.list(static_cast<size_t>(b));
        LIST_NODE* mine = my_list != nullptr ? my_list->head : nullptr;
        for (LIST_NODE* node = source_list != nullptr ? source_list->head : nullptr;
             node != slot.node && node != nullptr; node = node->next) {
            mine = mine != nullptr ? mine->next : nullptr;
        }
        if (mine == nullptr) return false;
        copied[i].node = mine;
    }
    index = std::move(copied);
    indexed = source.indexed;
    vacated = source.vacated;
    return true;
}

}  // namespace morvu
