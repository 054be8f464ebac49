// The value cell. Every value and every variable lives in one UNION_DATA:
// a variable's stack holds one cell per activation, a container owns one cell
// per element, a temporary result owns its cell through a RESULT_ITEM. Cells
// are allocated one by one and never moved, so links between them are plain
// pointers.
//
// The one-character tag says what the payload is. A lower-case letter (or an
// even digit) is a typed cell holding exactly that type; a cell declared any
// carries the raised tag of what it holds (upper case, or the odd digit one
// above), 'V' when it holds nothing and 'v' when it holds the empty value.
// 'p', 'q' and 'j' (upper case for an any cell) are references, aliases and
// call-aliases: their payload is a LINK_RECORD naming the target cell, and
// the target keeps every link cell pointing at it in one referrers list,
// newest first, threaded through the records' prev and next (the first one's
// prev is the target itself). Each link cell's tag tells its kind;
// first_referrer picks a kind. The threading lives in the record, not in the
// cell, because most cells are plain values that never link anywhere: a
// container element then costs a 24-byte cell.
//
// An int whose number is the plain form of a machine integer in
// [-2^62, 2^62) is held in the payload word itself, (value << 1) | 1, with no
// INT_DATA behind it: a list or hash of a million ints then costs no number
// records. Real payloads are even addresses, so the low bit tells the forms
// apart. int_data() boxes such a value into an INT_DATA the first time a
// reader asks for the record, so every reader and writer of the record sees
// one; the hot readers use cell_int64 and the helpers below instead.
//
// A value tag with a null payload holds no value (is_defined_value false).
// bool, char, oper and sys are small enough to live inside the cell: their
// payload then points at the cell's own `scalar` word, so "payload set" means
// defined for every tag alike. A 'k' cell's payload is an OBJECT_HOLDER that
// outlives the object record it points to.
//
// Destroying a cell first dissolves every link that points at it, unless an
// operation holds the cell (in_use, values/cell_holds.h): a held cell that
// its owner deletes is kept whole until the hold ends. Payloads of nested
// containers are destroyed from an explicit work list, and every walk over a
// value (copy, equality, order, text and saved forms) keeps its own stack
// too: a value nests as deep as memory holds, and no walk over it recurses
// per level.

#pragma once

#include <charconv>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "runtime/block_pool.h"
#include "values/access_modes.h"
#include "values/type_tags.h"
#include "values/type_name.h"
#include "values/value_copy.h"

namespace morvu {

struct TOKEN;
class INT_DATA;
class REAL_DATA;
class STR_DATA;
class FILE_DATA;
struct DIR_DATA;
class ARRAY_DATA;
class LIST_DATA;
class HASH_DATA;
class ARRAY2_DATA;
class GRAPH_DATA;
class TIME_DATA;
class DATE_DATA;
class TIMEZONE_DATA;
class DATETIME_DATA;
struct ERROR_DATA;
struct ANY2_DATA;
struct CODE_DATA;
struct OBJECT_RECORD;
struct RESULT_LIST;
class UNION_DATA;

// Keeps a held cell that is being deleted until its hold ends (values/cell_holds.h).
[[gnu::cold]] void defer_held_cell(UNION_DATA* cell);

// The payload of a 'k' cell: the object record (null while the cell holds no
// object) and the declaring node of the object's user type.
struct OBJECT_HOLDER {
    OBJECT_RECORD* object = nullptr;
    TOKEN* type = nullptr;

    // Every object cell has one: a call's object parameters and results
    // make and drop them per call.
    static void* operator new(std::size_t size) { return BLOCK_POOL<OBJECT_HOLDER>::allocate(size); }
    static void operator delete(void* holder, std::size_t size) noexcept {
        BLOCK_POOL<OBJECT_HOLDER>::release(holder, size);
    }
};

// The payload of a link cell: its target and its place in the target's
// referrer list. A link cell has one from the moment it links until it is
// dissolved or destroyed; unlinking only takes it out of the list.
struct LINK_RECORD {
    UNION_DATA* target = nullptr;
    UNION_DATA* prev = nullptr;  // previous link cell in the target's list, or the target itself
    UNION_DATA* next = nullptr;  // next link cell in the target's list

    // Links are made and dissolved on every call that passes a variable.
    static void* operator new(std::size_t size) { return BLOCK_POOL<LINK_RECORD>::allocate(size); }
    static void operator delete(void* record, std::size_t size) noexcept {
        BLOCK_POOL<LINK_RECORD>::release(record, size);
    }
};

// Inline storage of the small payloads.
union SCALAR_WORD {
    uint16_t bool_word;  // 0 false, 1 true, 0xFFFF empty
    char char_byte;      // 0 empty
    char oper_chars[2];  // second 0 for a one-character operator
};

// The fields are ordered so that the small ones share words: every value of
// a container is one cell, and the cell takes 24 bytes. What a deep copy or
// an equality test pairs a cell with lives beside it (values/value_copy.h).
class UNION_DATA {
public:
    void* payload = nullptr;
    char tag = 'V';
    uint8_t weak_held : 1 = 0;       // WEAK_CELLs hold this cell (values/weak_cell.h)
    uint8_t being_written : 1 = 0;   // set while the text of this value is written
    uint8_t skip_flag : 1 = 0;       // has_foreign_referrers ignores this link cell
    uint8_t scope_variable : 1 = 0;  // a declared variable (or this); may become an alias
    uint8_t key_follows : 1 = 0;     // the value cell of a list node whose own key cell lies behind it
    uint8_t in_use : 1 = 0;          // an operation holds this cell (values/cell_holds.h)
    uint8_t key_numbered : 1 = 0;    // reference keys have given this cell a number (values/hash_store.h)
    SCALAR_WORD scalar{};
    uint8_t access_mode = access_variable;
    UNION_DATA* referrers = nullptr;  // head of the link cells pointing here (see above)

    // A cell of the given tag holding that type's empty value ('V': no value;
    // 'k': an OBJECT_HOLDER without object and type). An any cell holding
    // the empty value, the commonest new cell (a result to come, a list or
    // hash node), needs nothing more than its fields.
    explicit UNION_DATA(char tag) : tag(tag) {
        if (tag != tag_any) make_empty_value();
    }
    // Destroys the value (clear_value).
    ~UNION_DATA();
    UNION_DATA(const UNION_DATA&) = delete;
    UNION_DATA& operator=(const UNION_DATA&) = delete;

    // Temporary results come and go by the million: cells are recycled.
    static void* operator new(std::size_t size) { return BLOCK_POOL<UNION_DATA>::allocate(size); }
    // A held cell outlives its delete until the hold ends.
    static void operator delete(UNION_DATA* cell, std::destroying_delete_t) {
        if (cell->in_use != 0) [[unlikely]] {
            defer_held_cell(cell);
            return;
        }
        cell->~UNION_DATA();
        BLOCK_POOL<UNION_DATA>::release(cell, sizeof(UNION_DATA));
    }
    // Frees the block of a `new UNION_DATA` whose construction failed; every
    // delete expression takes the destroying form above.
    static void operator delete(void* cell, std::size_t size) noexcept { BLOCK_POOL<UNION_DATA>::release(cell, size); }

    // The link rules applied with this cell as destination; null or message.
    const char* assign_ref_on_this(UNION_DATA* src);
    const char* assign_alias_on_this(UNION_DATA* src);
    const char* assign_or_ref_on_this(UNION_DATA* src);

    // Typed views of the payload; valid only for the matching lowered tag.
    // An int held in the payload word is boxed first (see above).
    INT_DATA* int_data() const {
        if ((reinterpret_cast<uintptr_t>(payload) & 1) != 0) [[unlikely]]
            return box_inline_int();
        return static_cast<INT_DATA*>(payload);
    }
    REAL_DATA* real_data() const { return static_cast<REAL_DATA*>(payload); }
    STR_DATA* str_data() const { return static_cast<STR_DATA*>(payload); }
    FILE_DATA* file_data() const { return static_cast<FILE_DATA*>(payload); }
    DIR_DATA* dir_data() const { return static_cast<DIR_DATA*>(payload); }
    ARRAY_DATA* array_data() const { return static_cast<ARRAY_DATA*>(payload); }
    LIST_DATA* list_data() const { return static_cast<LIST_DATA*>(payload); }
    HASH_DATA* hash_data() const { return static_cast<HASH_DATA*>(payload); }
    ARRAY2_DATA* array2_data() const { return static_cast<ARRAY2_DATA*>(payload); }
    GRAPH_DATA* graph_data() const { return static_cast<GRAPH_DATA*>(payload); }
    TIME_DATA* time_data() const { return static_cast<TIME_DATA*>(payload); }
    DATE_DATA* date_data() const { return static_cast<DATE_DATA*>(payload); }
    TIMEZONE_DATA* timezone_data() const { return static_cast<TIMEZONE_DATA*>(payload); }
    DATETIME_DATA* datetime_data() const { return static_cast<DATETIME_DATA*>(payload); }
    ERROR_DATA* error_data() const { return static_cast<ERROR_DATA*>(payload); }
    ANY2_DATA* any2_data() const { return static_cast<ANY2_DATA*>(payload); }
    CODE_DATA* code_data() const { return static_cast<CODE_DATA*>(payload); }
    OBJECT_HOLDER* holder() const { return static_cast<OBJECT_HOLDER*>(payload); }
    LINK_RECORD* link() const { return static_cast<LINK_RECORD*>(payload); }
    UNION_DATA* target() const { return payload != nullptr ? link()->target : nullptr; }
    // Whether the link cell is threaded into its target's referrer list.
    bool is_threaded() const { return payload != nullptr && link()->prev != nullptr; }

    // The empty value of every tag but the any cell's.
    void make_empty_value();

    // Replaces an int held in the payload word by an INT_DATA of its value.
    // The cell keeps its meaning: only the form of its payload changes.
    [[gnu::noinline]] INT_DATA* box_inline_int() const;

    // The small payloads (the cell must be defined with the matching tag).
    uint16_t& bool_word() { return scalar.bool_word; }
    char& char_byte() { return scalar.char_byte; }
    char* oper_chars() { return scalar.oper_chars; }
};
static_assert(sizeof(UNION_DATA) == 24, "a container element costs three words of cell");

// ---- ints held in the payload word ----

inline constexpr int64_t inline_int_min = -(int64_t{1} << 62);
inline constexpr int64_t inline_int_max = (int64_t{1} << 62) - 1;

// Whether a payload is an int held in the word (never null, never a record).
inline bool is_inline_int(const void* payload) { return (reinterpret_cast<uintptr_t>(payload) & 1) != 0; }

inline int64_t inline_int_value(const void* payload) {
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(payload)) >> 1;  // arithmetic shift keeps the sign
}

// The payload word of a value; false, with out untouched, when the value
// lies outside the range the word holds.
inline bool make_inline_int(int64_t value, void*& out) {
    if (value < inline_int_min || value > inline_int_max) return false;
    out = reinterpret_cast<void*>((static_cast<uintptr_t>(value) << 1) | 1);
    return true;
}

// The payload word a copy of the number gives a cell without a record: the
// plain form of a machine integer in range; false otherwise.
inline bool inline_copy_of(const INT_DATA& number, void*& out) {
    int64_t value = 0;
    return number.plain_copy_int64(value) && make_inline_int(value, out);
}

// The machine value of a defined int cell (tag 'i' or 'I', payload set),
// read without boxing; false for an empty number or one beyond 64 bits.
inline bool cell_int64(const UNION_DATA* cell, int64_t& out) {
    if (is_inline_int(cell->payload)) {
        out = inline_int_value(cell->payload);
        return true;
    }
    return static_cast<const INT_DATA*>(cell->payload)->to_int64(out);
}

// The machine value of any cell: false unless it holds a defined int (a
// declared int, or an any cell holding one) within 64 bits.
[[gnu::always_inline]] inline bool cell_int(const UNION_DATA* cell, int64_t& out) {
    if ((cell->tag != tag_int && cell->tag != raise_tag(tag_int)) || cell->payload == nullptr) return false;
    return cell_int64(cell, out);
}

// The number of a defined int cell, for reading without boxing: its record,
// or an int held in the payload word written into spare (a machine integer
// takes no memory there).
inline const INT_DATA& int_view(const UNION_DATA* cell, INT_DATA& spare) {
    if (!is_inline_int(cell->payload)) return *static_cast<const INT_DATA*>(cell->payload);
    spare.assign_int64(inline_int_value(cell->payload));
    return spare;
}

// Appends the decimal text of an int held in the payload word: its plain
// form, as INT_DATA::append_text writes the same number.
inline void append_inline_int(const void* payload, std::string& out) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, inline_int_value(payload)).ptr;
    out.append(digits, static_cast<size_t>(end - digits));
}

// ---- tags ----

// 'p', 'q', 'j' in either case.
inline bool is_link_tag(char tag) {
    char lowered = lower_tag(tag);
    return lowered == tag_reference || lowered == tag_alias || lowered == tag_call_alias;
}

inline bool is_link_cell(const UNION_DATA* cell) { return is_link_tag(cell->tag); }

// Whether a variable given with a read-only mode may still be bound anew as
// an alias, as the walks bind their loop variables: the mode is its own
// link's (values/access_modes.h), which the new binding replaces without
// writing what the link leads to.
inline bool rebinds_own_link(const UNION_DATA* cell, uint32_t mode) {
    return cell != nullptr && !is_variable_mode(mode) && mode == cell->access_mode && is_link_cell(cell);
}

// Whether a variable given with a read-only mode is a reference whose mode is
// its own: a plain assignment to the variable itself (a for loop's, not one
// through what it leads to) cuts the link and its mode away without writing
// what it leads to.
inline bool cuts_own_reference(const UNION_DATA* cell, uint32_t mode) {
    return rebinds_own_link(cell, mode) && lower_tag(cell->tag) == tag_reference;
}

// The read-only mode met first on the way from a cell through the links it
// leads along (values/access_modes.h): a link made to a read-only place
// carries one, and what is reached through it is read-only as well.
// access_variable when none is met.
inline uint32_t lent_access(const UNION_DATA* cell) {
    // A chain of links is short: an alias or call-alias, then a reference.
    for (int step = 0; cell != nullptr && step < 4; ++step) {
        if (!is_variable_mode(cell->access_mode)) return cell->access_mode;
        if (!is_link_cell(cell)) break;
        cell = cell->target();
    }
    return access_variable;
}

// The read-only mode an item lends to a link made to what it names: its own
// for a read-only place, else the one met along its cell's links.
inline uint32_t lent_item_access(uint32_t item_mode, const UNION_DATA* cell) {
    return is_read_only_place(item_mode) ? item_mode : lent_access(cell);
}

// The first link cell of the kind ('p', 'q' or 'j') at or after `from` in a
// referrer list, or null.
inline UNION_DATA* referrer_of_kind(UNION_DATA* from, char kind) {
    while (from != nullptr && lower_tag(from->tag) != kind) from = from->link()->next;
    return from;
}

// The newest link cell of the kind pointing at the cell, or null.
inline UNION_DATA* first_referrer(const UNION_DATA* cell, char kind) { return referrer_of_kind(cell->referrers, kind); }

inline bool is_reference_tag(char tag) { return tag == tag_reference || tag == raise_tag(tag_reference); }

// Lowered tags whose payload holds further cells (containers, objects, any2).
inline bool is_nesting_tag(char lowered) {
    switch (lowered) {
    case tag_array:
    case tag_graph:
    case tag_hash:
    case tag_object:
    case tag_list:
    case tag_set:
    case tag_any2:
    case tag_args:
    case tag_array2: return true;
    default: return false;
    }
}

// Lowered tags whose payload lives inside the cell (bool, char, oper, sys).
inline bool is_scalar_tag(char lowered) {
    return lowered == tag_bool || lowered == tag_char || lowered == tag_oper || lowered == tag_sys;
}

// Lowered tags that carry a payload of their own (not links, not 'v', not 'k').
inline bool is_value_tag(char lowered) {
    switch (lowered) {
    case tag_date:
    case tag_timezone:
    case tag_datetime:
    case tag_array:
    case tag_bool:
    case tag_char:
    case tag_dir:
    case tag_error:
    case tag_file:
    case tag_graph:
    case tag_hash:
    case tag_int:
    case tag_list:
    case tag_set:
    case tag_sys:
    case tag_oper:
    case tag_real:
    case tag_str:
    case tag_time:
    case tag_any2:
    case tag_code:
    case tag_args:
    case tag_array2: return true;
    default: return false;
    }
}

// An any cell: 'v' or an any tag.
inline bool is_any_cell(const UNION_DATA* cell) { return cell->tag == tag_any || is_any_tag(cell->tag); }

// Whether nothing but its holder knows the cell: no link, weak cell, hold or
// key number on it, no text of it being written, no key cell behind it, not
// a declared variable, and of variable access. A member may then take a new
// value in place, or wait on a shelf for the next object of its type.
inline bool known_to_nothing(const UNION_DATA* cell) {
    return cell->referrers == nullptr && cell->weak_held == 0 && cell->in_use == 0 && cell->key_numbered == 0 &&
           cell->being_written == 0 && cell->scope_variable == 0 && cell->key_follows == 0 &&
           cell->access_mode == access_variable;
}

// The cell a link stands for, one step; any other cell stands for itself.
inline UNION_DATA* follow_link(UNION_DATA* cell) { return is_link_tag(cell->tag) ? cell->target() : cell; }

// The cell at the end of a chain of aliases and call-aliases (tags 'q', 'Q',
// 'j', 'J'); null for null.
inline UNION_DATA* follow_aliases(UNION_DATA* cell) {
    while (cell != nullptr) {
        const char tag = cell->tag;
        if ((tag != tag_alias && tag != raise_tag(tag_alias) && tag != tag_call_alias &&
             tag != raise_tag(tag_call_alias)) ||
            cell->target() == nullptr)
            break;
        cell = cell->target();
    }
    return cell;
}

// The value an argument stands for: aliases and call-aliases followed to
// their end, then one more reference, alias or call-alias step.
inline UNION_DATA* argument_value(UNION_DATA* cell) {
    cell = follow_aliases(cell);
    if (cell != nullptr && is_link_cell(cell) && cell->target() != nullptr) cell = cell->target();
    return cell;
}

// The lowered tag of what the cell holds, a link followed one step. Every
// built-in method handler dispatches on it.
inline char base_type_code(const UNION_DATA* cell) {
    char tag = cell->tag;
    if (is_link_tag(tag)) tag = cell->target()->tag;
    return lower_tag(tag);
}

// ---- globals ----

// The text that value_to_text builds.
extern std::string value_text_buffer;
// Empties value_text_buffer (global clean-up).
void clear_static_texts();

// ---- payloads and links ----

// Sets the empty payload of a value tag: a new record, or for the scalars
// the cell's own word.
void allocate_payload(UNION_DATA* cell, char lowered);

// Frees a payload that no cell points to any more. Nested values are freed
// from a work list, never by deep recursion; a payload that a walk is
// reading is freed when the walk ends.
void release_payload(char lowered, void* payload);

// Takes a link cell out of its target's referrer list; the cell keeps its
// record, and so its target.
void unlink_cell(UNION_DATA* cell);

// Unlinks a link cell and frees its record: the payload becomes null, and
// the caller gives the cell its new tag and value.
void drop_link_record(UNION_DATA* cell);

// ---- construction and destruction ----

// Allocates the empty payload of the cell's lowered tag. With a source whose
// tag is not 'v'/'V' the cell first takes the raised form of the source's
// lowered tag ('v'/'V' sources pass their own tag); for 'k' a source gives a
// new holder of the source's type, no source leaves the cell alone.
void init_payload(UNION_DATA* cell, const UNION_DATA* source = nullptr);

// A new int cell that takes the number over (null: no value). Int results
// are made this way, so that the number is built once, in place, instead of
// into a temporary that is then moved into the cell's own empty number.
UNION_DATA* new_int_cell(std::unique_ptr<INT_DATA> number);

// A new int cell of a machine integer in the payload word's range, with no
// number record behind it (null when the value lies outside that range).
inline UNION_DATA* new_inline_int_cell(int64_t value) {
    void* word = nullptr;
    if (!make_inline_int(value, word)) return nullptr;
    auto* cell = new UNION_DATA(tag_nothing);  // holds nothing yet: no empty number to replace
    cell->tag = tag_int;
    cell->payload = word;
    return cell;
}

// Makes a fresh cell an object cell with the given holder.
void init_object_cell(UNION_DATA* cell, OBJECT_HOLDER* holder);

// Destroys the value and frees a 'k' cell's holder. The payload is nulled, so
// calling it again (or deleting the cell afterwards) is harmless.
void clear_value(UNION_DATA* cell);

// Destroys the payload; with detach the cells referring to this one are cut
// loose first. An any cell ends 'V', a 'v' cell 'V', a link cell is dissolved
// into its final target's type without value; a typed cell keeps its tag and
// holds no value (payload null; a 'k' cell keeps its holder, without object).
void destroy_payload(UNION_DATA* cell, bool detach);

// Resets the value to its type's empty state, keeping the type; an any cell
// becomes 'v', a link cell the empty value of its final target's type.
void clear_payload(UNION_DATA* cell);

// Turns a link cell into a value cell of its final target's type: the empty
// value with keep_default, else no value.
void dissolve_link(UNION_DATA* cell, bool keep_default);

// Value tags: payload (for 'k' the holder's object) becomes null.
void null_payload(UNION_DATA* cell);

// destroy_payload without detach, then null_payload: no value afterwards.
void dissolve_link_value(UNION_DATA* cell);

// Dissolves every link pointing at the cell and unlinks the cell from its own
// target's list.
void detach_referrers(UNION_DATA* cell);

// At the end of the run: takes a large container (hash, set, list, args) out
// of the cell and leaves it to the process end, where freeing it element by
// element would only cost time. Only for memory: the caller makes sure that
// no element has anything left to do at its end (no file with output
// open). The payload stays allocated and reachable. False when the cell
// holds no such container; the cell is then unchanged.
bool leave_to_process_end(UNION_DATA* cell);

// ---- queries ----

bool is_defined_value_of_any_tag(const UNION_DATA* cell);
inline bool is_defined_value(const UNION_DATA* cell) {
    // Ints and texts, the values asked about most, hold one when they have a payload.
    switch (cell->tag) {
    case tag_int:
    case tag_str:
    case raise_tag(tag_int):
    case raise_tag(tag_str): return cell->payload != nullptr;
    default: return is_defined_value_of_any_tag(cell);
    }
}
// Expects a defined cell.
bool is_empty_value(const UNION_DATA* cell);

// Frees both halves of a pair, the second first.
void destroy_any2_payload(ANY2_DATA* pair);

// Frees the cells of the owned items, then every node; count 0 afterwards.
void clear_value_list(RESULT_LIST& list);

}  // namespace morvu
