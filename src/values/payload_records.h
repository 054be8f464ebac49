// The payload records whose construction, copy and destruction belong to the
// value core: the object record of a value of a user type, the error and code
// payloads and the any2 pair; and the object checks that every built-in
// method runs on its receiver and arguments.
//
// An object record holds one group per user type that makes up the object
// (its own type and its basic types), each with the type's definition node
// and a slot array of the member cells of that type in declaration order.
// The record owns its groups, every slot array and every member cell; a null
// slot array or member cell is allowed. Records are created by the analysis
// of user types and copied for every new object (copy_value_table).
//
// An any2 pair embeds its two halves; each is an any cell, built by the
// assignment modes of copy_into_slot. The second half is destroyed first.

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/block_pool.h"
#include "values/result_list.h"
#include "values/union_data.h"
#include "values/weak_cell.h"

namespace morvu {

class ARRAY_DATA;
class ARRAY2_DATA;

// The payload of an error value.
struct ERROR_DATA {
    std::string file;
    int32_t line = 0;
    std::string message;
    char kind = 'u';
};

// The payload of a code value: the block and the object context it runs in.
// The context holds its object weakly: a code value may outlive the object
// it was made in, and then finds its context empty and gone() set instead of
// a freed cell.
struct CODE_DATA {
    TOKEN* block = nullptr;
    HELD_ITEM this_item;  // cell null, mode 6, not owned

    // A block written as an argument (a loop's body) makes one per run.
    static void* operator new(std::size_t size) { return BLOCK_POOL<CODE_DATA>::allocate(size); }
    static void operator delete(void* code, std::size_t size) noexcept { BLOCK_POOL<CODE_DATA>::release(code, size); }
};

// The this_item a code value runs with, written to *out; null, or "Object
// does not exist" when the object it was made in has been
// destroyed.
const char* code_context(const CODE_DATA& code, RESULT_ITEM* out);

// The member cells of one group, in declaration order; the cells are owned.
struct SLOT_ARRAY {
    std::vector<UNION_DATA*, POOLED_ALLOCATOR<UNION_DATA*>> cells;

    SLOT_ARRAY() = default;
    explicit SLOT_ARRAY(int32_t count) : cells(static_cast<size_t>(count), nullptr) {}
    ~SLOT_ARRAY();
    SLOT_ARRAY(const SLOT_ARRAY&) = delete;
    SLOT_ARRAY& operator=(const SLOT_ARRAY&) = delete;

    int32_t count() const { return static_cast<int32_t>(cells.size()); }

    // Every copy of an object makes one per group, and every object dropped
    // frees them.
    static void* operator new(std::size_t size) { return BLOCK_POOL<SLOT_ARRAY>::allocate(size); }
    static void operator delete(void* slots, std::size_t size) noexcept {
        BLOCK_POOL<SLOT_ARRAY>::release(slots, size);
    }
};

struct GROUP_ENTRY {
    std::unique_ptr<SLOT_ARRAY> slots;
    TOKEN* type = nullptr;  // the definition node of the group's user type
};

struct OBJECT_RECORD {
    std::vector<GROUP_ENTRY, POOLED_ALLOCATOR<GROUP_ENTRY>> groups;

    int32_t group_count() const { return static_cast<int32_t>(groups.size()); }

    // Made and dropped with every copy of an object.
    static void* operator new(std::size_t size) { return BLOCK_POOL<OBJECT_RECORD>::allocate(size); }
    static void operator delete(void* record, std::size_t size) noexcept {
        BLOCK_POOL<OBJECT_RECORD>::release(record, size);
    }
};

struct ANY2_DATA {
    UNION_DATA first{'v'};
    UNION_DATA second{'v'};

    ANY2_DATA() = default;
    // The halves made from two cells by their assignment modes. When the
    // second half cannot be made the first is destroyed again, both stay
    // empty, and *message receives the refusal.
    ANY2_DATA(UNION_DATA* first_cell, int first_mode, UNION_DATA* second_cell, int second_mode,
              const char** message = nullptr);
    ANY2_DATA(const ANY2_DATA&) = delete;
    ANY2_DATA& operator=(const ANY2_DATA&) = delete;
    // Member order destroys the second half before the first.
    ~ANY2_DATA() = default;

    // A pair one of whose halves an operation holds (values/cell_holds.h)
    // is kept whole past its delete until the hold ends.
    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;  // a construction that failed
    static void operator delete(ANY2_DATA* pair, std::destroying_delete_t);
};

// Makes destination (cleared, size and counts not yet set) a copy of source,
// every defined slot copied with mode 4.
void copy_array_payload(ARRAY_DATA& destination, ARRAY_DATA& source);
void copy_array2_payload(ARRAY2_DATA& destination, ARRAY2_DATA& source);

// Destroys every member cell, in slot order.
void destroy_slot_array(SLOT_ARRAY& slots);
// Destroys and frees the record with all its groups. A record of one group
// whose members all hold their values in a word (ints in the payload word,
// bools and chars in the cell) and that nothing else knows is kept instead,
// a few per type, for take_kept_record.
void destroy_object_record(OBJECT_RECORD* record);
// A kept record of the type with that many members, or null. Its members
// hold the values they had; the caller overwrites them all or destroys the
// record with discard_kept_record.
OBJECT_RECORD* take_kept_record(const TOKEN* type, size_t members);
void discard_kept_record(OBJECT_RECORD* record);

// The object checks: null, or the message.
// "Object does not exist" for an item without cell.
const char* is_object_present(const RESULT_ITEM& item);
// "Object is not defined" for a cell without value.
const char* is_object_defined(const UNION_DATA* cell);
// As is_object_defined, then "Object is empty" for an empty value.
const char* is_object_nonempty(const UNION_DATA* cell);

}  // namespace morvu
